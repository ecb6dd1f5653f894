#ifndef LINKORA_UI_SMSPAGE_H
#define LINKORA_UI_SMSPAGE_H

#include <QHash>
#include <QPointer>
#include <QScopedPointer>
#include <QString>
#include <QWidget>

class History;
class Phone;
class QTimer;

namespace Ui {
class SMSPage;
}

// The SMS view: one message to one number, sent through the web service.
// The state line above the number tells where the sending is; the counter
// below counts the message's parts as the user types.
class SMSPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(SMSPage)

public:
    // How long a send may take before the page gives it up, and how long the
    // result stays on the state line.
    struct Delays
    {
        int animation = 500;
        int timeout = 10000;
        int resultShown = 2100;
    };

    explicit SMSPage(QWidget *parent = nullptr);
    ~SMSPage() override;

    void setPhone(Phone *phone);
    void setHistory(History *history);
    // The selected country row of the number field.
    void setCountryIndex(int index);
    int countryIndex() const;
    // The text of the number field; setting replaces it.
    void setNumber(const QString &number);
    QString number() const;

    void setDelays(const Delays &delays) { m_delays = delays; }
    // A message is on its way, its answer not in yet and its time not up:
    // another one is not sent meanwhile.
    bool isSending() const { return m_sendId != 0; }

    // "SMS Counter <left>(<parts>)" for a text of the given length in UTF-16
    // units, 160 to a part. It only informs: the service decides what it
    // takes, and real messages count fewer characters to a part for non-Latin
    // text and for messages of several parts.
    static QString counterText(int length);

public slots:
    // Empties the number, the text and the counter.
    void clearNumber();
    void onNumberChanged(const QString &number);
    void updateSMSCounter();
    void doSendSms();
    void updateSmsStateLabel();
    void smsMessageReset();
    // The answers to the sends of Phone, by their identity. The answer to a
    // send whose time was up is still told, as long as it does not disturb
    // a message sent after it.
    void onSuccessSentSms(quint64 id);
    void onErrorSendingSms(quint64 id, const QString &error);
    void onAfterSuccesErrorSmsSent();

signals:
    void saveNumber(const QString &number);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void updateHintLabel(bool show);
    bool isAwaited(quint64 id) const { return id != 0 && id == m_sendId; }
    // Stops the timers of the send under way, which is no longer awaited,
    // and lets the state line return to "Enter SMS Text" a while later.
    void stopSending();
    // The result of the latest send, shown for a while.
    void showResult(const QString &result);
    // Tells a known refusal of the service in a warning box.
    void warnOfRefusal(const QString &error);

    const QScopedPointer<Ui::SMSPage> m_ui;
    QTimer *m_animationTimer;
    QTimer *m_timeoutTimer;
    QTimer *m_resultTimer;
    QPointer<Phone> m_phone;
    History *m_history = nullptr;
    Delays m_delays;
    // The send under way, 0 when none.
    quint64 m_sendId = 0;
    // The latest send, under way or given up; 0 when it never went out. Only
    // its answer may change the state line and the text.
    quint64 m_lastSendId = 0;
    // The text of each send whose answer may still come: an answer clears
    // the field only while the field holds what was sent. The service may
    // well have sent a message whose time was up; the user must learn it,
    // and not send it, and pay for it, twice.
    QHash<quint64, QString> m_sentTexts;
};

#endif // LINKORA_UI_SMSPAGE_H
