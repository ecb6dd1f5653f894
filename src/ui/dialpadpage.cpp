#include "ui/dialpadpage.h"
#include "ui_dialpadpage.h"

#include "phone/phone.h"

DialPadPage::DialPadPage(QWidget *parent)
    : QWidget(parent)
    , m_ui(new Ui::DialPadPage)
{
    m_ui->setupUi(this);
}

DialPadPage::~DialPadPage() = default;

void DialPadPage::setPhone(Phone *phone)
{
    m_phone = phone;
}

void DialPadPage::setSettings(Settings *settings)
{
    m_settings = settings;
}

void DialPadPage::setHistory(History *history)
{
    m_history = history;
}

void DialPadPage::showSpeakerVolumePanel() { }

void DialPadPage::showMicVolumePanel() { }

void DialPadPage::hideVolumePanel() { }

void DialPadPage::clearNumber() { }

void DialPadPage::hangup()
{
    if (m_phone)
        m_phone->hangup();
}

void DialPadPage::updateBalance(const Balance &balance)
{
    m_balance = balance;
}

void DialPadPage::increaseVolume(bool speaker)
{
    Q_UNUSED(speaker)
}

void DialPadPage::decreaseVolume(bool speaker)
{
    Q_UNUSED(speaker)
}

void DialPadPage::doCall()
{
    if (m_phone && m_phone->isConnected() && !m_number.isEmpty())
        m_phone->call(Phone::normalizeNumber(m_number), false);
}
