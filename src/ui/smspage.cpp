#include "ui/smspage.h"

#include <QLabel>
#include <QVBoxLayout>

SMSPage::SMSPage(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    auto *title = new QLabel(tr("Send SMS"), this);
    title->setObjectName(QStringLiteral("titleLabel"));
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
}

void SMSPage::setPhone(Phone *phone)
{
    m_phone = phone;
}

void SMSPage::setHistory(History *history)
{
    m_history = history;
}

void SMSPage::setCountryIndex(int index)
{
    m_countryIndex = index;
}

int SMSPage::countryIndex() const
{
    return m_countryIndex;
}

void SMSPage::setNumber(const QString &number)
{
    m_number = number;
}

QString SMSPage::number() const
{
    return m_number;
}

void SMSPage::clearNumber()
{
    m_number.clear();
}
