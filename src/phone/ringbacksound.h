#ifndef PHONE_RINGBACKSOUND_H
#define PHONE_RINGBACKSOUND_H

#include <QObject>
#include <QString>

class QSoundEffect;

// The tone the caller hears while the far end rings: one sound file, loaded
// once and looped until stopped. A missing file is traced once and then
// plays nothing.
class RingbackSound : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(RingbackSound)

public:
    // A resource path (":/...") or a local file.
    explicit RingbackSound(const QString &file, QObject *parent = nullptr);
    ~RingbackSound() override;

    QString file() const { return m_file; }
    // Whether the file exists, so that playing can be heard.
    bool isAvailable() const { return m_available; }
    // Between play() and stop(), whether or not an audio output exists.
    bool isPlaying() const { return m_playing; }

public slots:
    void play();
    void stop();

private:
    const QString m_file;
    const bool m_available;
    bool m_playing = false;
    // Made at the first play, then kept: the file is read once.
    QSoundEffect *m_effect = nullptr;
};

#endif // PHONE_RINGBACKSOUND_H
