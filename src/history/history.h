#ifndef HISTORY_H
#define HISTORY_H

#include <QObject>

class CallHistory;
class LoginHistory;
class NumberHistory;

// Holds the three histories over the local database; each is made on its
// first request and lives as long as the holder.
class History : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(History)

public:
    explicit History(QObject *parent = nullptr);
    ~History() override;

    CallHistory *callHistory();
    LoginHistory *loginHistory();
    NumberHistory *numberHistory();

private:
    CallHistory *m_callHistory = nullptr;
    LoginHistory *m_loginHistory = nullptr;
    NumberHistory *m_numberHistory = nullptr;
};

#endif // HISTORY_H
