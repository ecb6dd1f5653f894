#include "ui/contactdetailspage.h"

#include "util/trace.h"

#include <QLabel>
#include <QVBoxLayout>

ContactDetailsPage::ContactDetailsPage(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    auto *title = new QLabel(tr("Contact Info"), this);
    title->setObjectName(QStringLiteral("titleLabel"));
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
}

void ContactDetailsPage::setContactManager(ContactManager *contactManager)
{
    m_contactManager = contactManager;
}

void ContactDetailsPage::setContact(const QString &nick)
{
    m_nick = nick;
}

void ContactDetailsPage::clear()
{
    m_nick.clear();
}

void ContactDetailsPage::updateContact()
{
    if (m_nick.isEmpty())
        TRACE_WARNING << "No contact to update";
}
