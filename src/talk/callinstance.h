#ifndef TALK_CALLINSTANCE_H
#define TALK_CALLINSTANCE_H

#include "talk/call.h"

namespace plix {
class ICallInstance;
}

namespace talk {

// A call of the talk library turned into a talk::Call. There is at most one
// wrapper per library call: the media engine gets it through wrap() whenever
// the library names the call and deletes it through unwrap() when the
// library announces the call's destruction.
class CallInstance : public Call
{
    Q_OBJECT
    Q_DISABLE_COPY(CallInstance)

public:
    explicit CallInstance(plix::ICallInstance *call, QObject *parent = nullptr);
    ~CallInstance() override;

    // The wrapper of the library call, made on first request; null for null.
    static CallInstance *wrap(plix::ICallInstance *call);
    // Deletes the wrapper of the library call, if there is one.
    static void unwrap(plix::ICallInstance *call);

    bool callFlagA() const override;
    bool isActive() const override;
    bool isIncoming() const override;
    Jid remoteJid() const override;
    const char *id() const override;
    bool callFlagB() const override;

    using Call::accept;
    using Call::setMuted;
    bool accept(bool muted) override;
    bool reject() override;
    void hangup() override;
    void setMuted(bool muted) override;
    bool startRecordingPlayout(const QString &path) override;
    bool stopRecordingPlayout() override;
    void sendDTMF(QChar key) override;

private:
    class Private;
    friend class Private;

    Private *d;
    // The key-pad characters in the order of their tone numbers 0 to 11.
    const QString dtmfDigits;
};

} // namespace talk

#endif // TALK_CALLINSTANCE_H
