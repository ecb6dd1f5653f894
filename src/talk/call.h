#ifndef TALK_CALL_H
#define TALK_CALL_H

#include "talk/connectioninfo.h"
#include "talk/jid.h"
#include "talk/talkmetatypes.h"

#include <QChar>
#include <QList>
#include <QObject>
#include <QString>

namespace talk {

// A call as the rest of the program sees it: what can be done with it and,
// as signals, what happens to it. A call object lives exactly as long as the
// talk library's call; it is deleted right after the media engine announced
// its destruction, so nobody may keep the pointer past callDestroyed().
class Call : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(Call)

public:
    explicit Call(QObject *parent = nullptr);
    ~Call() override;

    // The library's first flag of the call (its microphone is muted).
    virtual bool callFlagA() const = 0;
    virtual bool isActive() const = 0;
    virtual bool isIncoming() const = 0;
    virtual Jid remoteJid() const = 0;
    // Zero-terminated, valid while the call lives.
    virtual const char *id() const = 0;
    // The library's second flag of the call (it is on hold).
    virtual bool callFlagB() const = 0;

public slots:
    virtual bool accept(bool muted) = 0;
    bool accept() { return accept(false); }
    virtual bool reject() = 0;
    virtual void hangup() = 0;
    virtual void setMuted(bool muted) = 0;
    void setMuted() { setMuted(true); }
    virtual bool startRecordingPlayout(const QString &path) = 0;
    virtual bool stopRecordingPlayout() = 0;
    // One key-pad tone: "0" to "9", "*" or "#"; other characters are ignored.
    virtual void sendDTMF(QChar key) = 0;

signals:
    void sessionInitiated(const talk::Call *call);
    void incomingCallAccepted(const talk::Call *call);
    void accepted(const talk::Call *call);
    void rejected(const talk::Call *call);
    void progressStarted(const talk::Call *call);
    void hungup(const talk::Call *call, plix::HANGUP_REASON reason);
    void connectionMonitor(const QList<talk::ConnectionInfo> &infos, const talk::Call *call);
    void ringingWithoutMedia();
};

} // namespace talk

#endif // TALK_CALL_H
