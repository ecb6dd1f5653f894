#ifndef LINKORA_UI_DIALPADPAGE_H
#define LINKORA_UI_DIALPADPAGE_H

#include "history/callhistoryevent.h"
#include "rest/balance.h"

#include <QScopedPointer>
#include <QWidget>

class History;
class Phone;
class Settings;

namespace Ui {
class DialPadPage;
}

// The dial pad view: the number entry, the keys and the call button. So far
// only the page itself and what the central area hands it.
class DialPadPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(DialPadPage)

public:
    explicit DialPadPage(QWidget *parent = nullptr);
    ~DialPadPage() override;

    void setPhone(Phone *phone);
    void setSettings(Settings *settings);
    void setHistory(History *history);

    QString number() const { return m_number; }
    void setNumber(const QString &number) { m_number = number; }
    void increaseVolume(bool speaker);
    void decreaseVolume(bool speaker);

public slots:
    void showSpeakerVolumePanel();
    void showMicVolumePanel();
    void hideVolumePanel();
    void clearNumber();
    void hangup();
    void updateBalance(const Balance &balance);
    void doCall();
    void setCallHistoryEventType(CallHistoryEvent::EventType type) { m_eventType = type; }

signals:
    void callInfoChanged(const QString &info);

private:
    const QScopedPointer<Ui::DialPadPage> m_ui;
    Phone *m_phone = nullptr;
    Settings *m_settings = nullptr;
    History *m_history = nullptr;
    Balance m_balance;
    QString m_number;
    CallHistoryEvent::EventType m_eventType = CallHistoryEvent::Outgoing;
};

#endif // LINKORA_UI_DIALPADPAGE_H
