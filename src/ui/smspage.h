#ifndef LINKORA_UI_SMSPAGE_H
#define LINKORA_UI_SMSPAGE_H

#include <QString>
#include <QWidget>

class History;
class Phone;

// The SMS view: a number row and the message text.
class SMSPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(SMSPage)

public:
    explicit SMSPage(QWidget *parent = nullptr);

    void setPhone(Phone *phone);
    void setHistory(History *history);
    // The selected country row of the number field.
    void setCountryIndex(int index);
    int countryIndex() const;
    // The text of the number field; setting replaces it.
    void setNumber(const QString &number);
    QString number() const;

public slots:
    // Empties the number, the text and the counter.
    void clearNumber();

signals:
    void saveNumber(const QString &number);

private:
    Phone *m_phone = nullptr;
    History *m_history = nullptr;
    int m_countryIndex = 0;
    QString m_number;
};

#endif // LINKORA_UI_SMSPAGE_H
