#ifndef LINKORA_UI_RINGTONE_H
#define LINKORA_UI_RINGTONE_H

#include <QObject>
#include <QScopedPointer>
#include <QString>

class QTemporaryFile;

namespace talk {
class MediaEngine;
}

// The ring tone of incoming calls. The media engine plays files by name, so
// the sound is copied out of the resources once, on the first ring, into a
// temporary file that every later ring loops again and that goes with this
// object.
class RingTone : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(RingTone)

public:
    static QString defaultResource();

    explicit RingTone(QObject *parent = nullptr);
    RingTone(const QString &resource, QObject *parent);
    ~RingTone() override;

    // Has the engine loop the tone until its stopPlaying(). False, with a
    // trace line, when the sound is missing or the engine refuses it.
    bool start(talk::MediaEngine *engine);

    // The local copy the engine plays; empty before the first start and
    // when the sound is missing.
    QString file() const;

private:
    bool makeCopy();

    const QString m_resource;
    QScopedPointer<QTemporaryFile> m_copy;
};

#endif // LINKORA_UI_RINGTONE_H
