#ifndef LINKORA_UI_KEYTONEPLAYER_H
#define LINKORA_UI_KEYTONEPLAYER_H

#include <QHash>
#include <QObject>
#include <QString>
#include <QTemporaryDir>

class QSoundEffect;

// The dial pad's key tones. Each tone is copied out of the resources once,
// into a folder kept for the player's life and removed with it, and loaded
// once; a key press only starts the loaded sound.
class KeyTonePlayer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(KeyTonePlayer)

public:
    // The tones of "0" to "9", "*" and "#" are the resources whose paths are
    // the prefix followed by the key.
    static QString defaultResourcePrefix();

    explicit KeyTonePlayer(QObject *parent = nullptr);
    KeyTonePlayer(const QString &resourcePrefix, QObject *parent);
    ~KeyTonePlayer() override;

    // Starts the key's tone and returns at once; false, with a trace line,
    // for a key without a tone.
    bool play(QChar key);

    // The local copy a key's tone plays from; empty for a key without one.
    QString toneFile(QChar key) const;
    // The loaded sound of a key; null for a key without one.
    const QSoundEffect *effect(QChar key) const;

private:
    void load(QChar key, const QString &resourcePrefix);

    QTemporaryDir m_folder;
    QHash<QChar, QSoundEffect *> m_effects;
};

#endif // LINKORA_UI_KEYTONEPLAYER_H
