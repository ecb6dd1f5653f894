#include "ui/voicemailpage.h"

#include <QLabel>
#include <QVBoxLayout>

VoicemailPage::VoicemailPage(QWidget *parent)
    : QWidget(parent)
    , m_volumePanel(new QWidget(this))
{
    m_volumePanel->setObjectName(QStringLiteral("volumePanel"));
    m_volumePanel->hide();
    auto *layout = new QVBoxLayout(this);
    auto *title = new QLabel(tr("Voicemail"), this);
    title->setObjectName(QStringLiteral("titleLabel"));
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_volumePanel);
    layout->addWidget(title);
}

void VoicemailPage::setPhone(Phone *phone)
{
    m_phone = phone;
}

void VoicemailPage::showVolumePanel()
{
    m_volumePanel->show();
}

void VoicemailPage::hideVolumePanel()
{
    m_volumePanel->hide();
}

void VoicemailPage::setVoicemailHistoryFilter(int filter)
{
    m_filter = filter;
}

void VoicemailPage::onLoginSuccedeed() { }
