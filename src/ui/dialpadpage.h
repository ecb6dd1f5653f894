#ifndef LINKORA_UI_DIALPADPAGE_H
#define LINKORA_UI_DIALPADPAGE_H

#include "history/callhistoryevent.h"
#include "rest/balance.h"
#include "util/stopwatch.h"

#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QScopedPointer>
#include <QString>
#include <QWidget>

class ContactManager;
class History;
class KeyTonePlayer;
class Phone;
class QKeyEvent;
class QTimer;
class Settings;

namespace talk {
class Call;
}

namespace Ui {
class DialPadPage;
}

// The dial pad view. It takes a number from the number entry or the keys,
// checks it, the credit and the connection before handing it to Phone, and
// follows the call in its state line (calling, running time, end reason).
// A small panel sets and mutes the speaker or the microphone; the credit
// button shows the balance and opens the buy-credit page.
class DialPadPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(DialPadPage)

public:
    explicit DialPadPage(QWidget *parent = nullptr);
    ~DialPadPage() override;

    // Services, not owned; each given once, before the page is used.
    void setPhone(Phone *phone);
    void setSettings(Settings *settings);
    void setHistory(History *history);
    void setContactManager(ContactManager *contactManager);

    // The number entry's text as typed.
    QString number() const;
    void setNumber(const QString &number);
    // The next key typed goes into the number entry.
    void focusNumberEntry();
    int currentCountryIndex() const;
    void setCurrentCountryIndex(int row);
    // Whether a call is up, ringing or held: the page then shows the callee.
    bool callInProgress() const;

    // One step of the volume panel for the speaker (true) or the microphone.
    void increaseVolume(bool speaker);
    void decreaseVolume(bool speaker);

    CallHistoryEvent::EventType callHistoryEventType() const { return m_eventType; }
    // Milliseconds the current or last call has run; 0 before any.
    qint64 callDuration() const;

    // Wall-clock start and last tick of the current or last call, ms since
    // 1970; kept for a history record, never used for the running time.
    qint64 callStartTime() const { return m_callStart; }
    qint64 lastTickTime() const { return m_lastTick; }

    // "hh:mm:ss", each field at least two digits wide.
    static QString formatDuration(qint64 milliseconds);

public slots:
    void showSpeakerVolumePanel();
    void showMicVolumePanel();
    void hideVolumePanel();
    void clearNumber();
    void setHangupButton();
    void setCallButton();
    // Places a call unless one is in progress.
    void doCall();
    // Ends the call in progress, if any.
    void hangup();
    // What the call / hang-up button does: hangs up during a call, else calls.
    void callOrHangUp();
    void updateBalance(const Balance &balance);
    void setCallHistoryEventType(CallHistoryEvent::EventType type);

signals:
    void saveNumber(const QString &number);
    void speakerVolumeChanged(int volume);
    void micVolumeChanged(int volume);
    void speakerMuted(bool muted);
    void micMuted(bool muted);
    void smsClicked();
    void callProgressChanged();
    // The running time every second of a call; empty when it ends.
    void callInfoChanged(const QString &info);

protected:
    void timerEvent(QTimerEvent *event) override;
    // During a call the keyboard's digits, "*" and "#" are the pad's keys.
    void keyPressEvent(QKeyEvent *event) override;

private slots:
    void onCallHangupClicked();
    void onCallConnecting(const talk::Call *call);
    void onCallStarted(const talk::Call *call);
    void onCallEnded(const talk::Call *call);
    void onCallEndedCleanup(const talk::Call *call);
    void onCallFailed(const talk::Call *call);
    void onCallHangupIsBusy(const talk::Call *call);
    void onCallHangupDecline(const talk::Call *call);
    void onCallHangupNotFound(const talk::Call *call);
    void onCallHangupUnreachable(const talk::Call *call);
    void onCallHangupTimeout(const talk::Call *call);
    void onVolDownClicked();
    void onVolUpClicked();
    void onMuteClicked(bool checked);
    void onVolumeChanged(int value);
    void onDialKeyPressed();
    void onBuyCreditClicked();
    // No balance known (before the first one comes, and after a logout).
    void showNoBalance();
    void onCallEndedTimerRefresh();
    void showMessage(const QString &text, int timeout);
    void showMessage(const QString &text);

private:
    bool panelControlsMic() const;
    // A key of the pad, clicked or typed: a key-pad tone to the call while
    // one is up, each tone with its trace line, else the key joins the
    // number and its tone plays.
    void pressKey(QChar key);
    void showVolumePanel(bool mic);
    void stopDurationTimer();
    void showBox(QMessageBox::Icon icon, const QString &title, const QString &text);

    const QScopedPointer<Ui::DialPadPage> m_ui;
    int m_durationTimerId = -1;
    qint64 m_callStart = 0;
    qint64 m_lastTick = 0;
    Stopwatch m_callClock;
    // Each live call's talk time from its first answer on: a call taken off
    // hold goes on with the time it has, as its history entry does.
    struct TalkClock
    {
        qint64 start = 0;
        Stopwatch talking;
    };
    QHash<const talk::Call *, TalkClock> m_talkClocks;
    qint64 m_callDuration = 0;
    bool m_speakerMuted = false;
    bool m_micMuted = false;
    int m_speakerLevel = 30;
    int m_micLevel = 30;
    CallHistoryEvent::EventType m_eventType = CallHistoryEvent::Outgoing;
    QTimer *m_messageTimer;
    KeyTonePlayer *m_keyTones;
    QPointer<Phone> m_phone;
    QPointer<Settings> m_settings;
    QPointer<History> m_history;
    QPointer<ContactManager> m_contactManager;
};

#endif // LINKORA_UI_DIALPADPAGE_H
