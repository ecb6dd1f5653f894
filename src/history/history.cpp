#include "history/history.h"

#include "history/callhistory.h"
#include "history/loginhistory.h"
#include "history/numberhistory.h"

History::History(QObject *parent)
    : QObject(parent)
{ }

History::~History() = default;

CallHistory *History::callHistory()
{
    if (!m_callHistory)
        m_callHistory = new CallHistory(this);
    return m_callHistory;
}

LoginHistory *History::loginHistory()
{
    if (!m_loginHistory)
        m_loginHistory = new LoginHistory(this);
    return m_loginHistory;
}

NumberHistory *History::numberHistory()
{
    if (!m_numberHistory)
        m_numberHistory = new NumberHistory(this);
    return m_numberHistory;
}
