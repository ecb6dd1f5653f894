#include "ui/contactlistpage.h"

#include <QLabel>
#include <QVBoxLayout>

ContactListPage::ContactListPage(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    auto *title = new QLabel(tr("Contacts"), this);
    title->setObjectName(QStringLiteral("titleLabel"));
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
}

void ContactListPage::setSettings(Settings *settings)
{
    m_settings = settings;
}

void ContactListPage::setContactGroups(const QList<ContactGroup *> &groups)
{
    m_groups = groups;
}

void ContactListPage::setGroupsShown(bool shown)
{
    m_groupsShown = shown;
}

void ContactListPage::callCurrentContact()
{
    // No contact rows yet, so never a current contact.
}
