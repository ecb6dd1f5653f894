#include "ui/addeditgroupdialog.h"
#include "ui_addeditgroupdialog.h"

#include "ui/contactmanager.h"
#include "ui/contactwidget.h"
#include "ui/groupnamerules.h"
#include "ui/repolishwidget.h"
#include "util/trace.h"

#include <QListWidget>
#include <QScrollBar>
#include <QShowEvent>

namespace {

// Rows beyond those in sight that keep their widgets, so that scrolling a
// little does not rebuild them.
const int SpareRows = 8;

} // namespace

AddEditGroupDialog::AddEditGroupDialog(QWidget *parent)
    : DialogBase(parent)
    , m_ui(new Ui::AddEditGroupDialog)
{
    m_ui->setupUi(contentWidget());
    m_ui->listWidget->setFixedHeight(ListHeight);
    if (isVisible())
        applyExpandedGeometry();
    else
        m_needsExpandUpdate = true;
    connect(m_ui->expandCollapseButton, &QPushButton::clicked, this, &AddEditGroupDialog::showExpanded);
    connect(m_ui->saveCreateGroupButton, &QPushButton::clicked, this,
            &AddEditGroupDialog::onSaveCreateGroupClicked);
    m_ui->groupNameLineEdit->setValidator(GroupNameRules::validator(this));

    connect(m_ui->listWidget->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &AddEditGroupDialog::updateRowWidgets);
    m_listViewport = m_ui->listWidget->viewport();
    m_listViewport->installEventFilter(this);
}

AddEditGroupDialog::~AddEditGroupDialog() = default;

void AddEditGroupDialog::setContactManager(ContactManager *contactManager)
{
    m_contactManager = contactManager;
}

void AddEditGroupDialog::setAddGroup()
{
    m_editedGroupName.clear();
    appendAllContacts(m_contactManager ? m_contactManager->groups() : QList<ContactGroupPtr>());
    setTitle(tr("Add new group"));
    m_ui->groupLabel->setText(tr("New Group:"));
    m_ui->saveCreateGroupButton->setText(tr("Save Group"));
    m_ui->groupNameLineEdit->clear();
    m_ui->expandCollapseButton->setChecked(false);
}

void AddEditGroupDialog::setEditGroup(const ContactGroupPtr &group)
{
    const QList<ContactGroupPtr> groups
        = m_contactManager ? m_contactManager->groups() : QList<ContactGroupPtr>();
    m_editedGroupName = group ? group->name() : QString();
    appendAllContacts(groups);
    setTitle(tr("Edit group"));
    m_ui->groupLabel->setText(tr("Group Name:"));
    m_ui->saveCreateGroupButton->setText(tr("Save Group"));
    m_ui->groupNameLineEdit->setText(m_editedGroupName);
    m_ui->expandCollapseButton->setChecked(false);
}

QString AddEditGroupDialog::groupName() const
{
    return m_ui->groupNameLineEdit->text().trimmed();
}

void AddEditGroupDialog::appendAllContacts(const QList<ContactGroupPtr> &groups)
{
    QListWidget *list = m_ui->listWidget;
    m_widgetItems.clear();
    list->clear();
    for (const ContactGroupPtr &group : groups) {
        if (!group) {
            TRACE << "group null";
            continue;
        }
        const bool member = !m_editedGroupName.isEmpty() && group->name() == m_editedGroupName;
        const QList<ContactPtr> contacts = group->contacts();
        for (const ContactPtr &contact : contacts) {
            if (!contact) {
                TRACE << "contact null";
                continue;
            }
            const QString name = contact->firstName() + QLatin1Char(' ') + contact->lastName();
            QString text = name;
            if (!contact->emails().isEmpty())
                text += QStringLiteral(" (") + contact->emails().first() + QLatin1Char(')');
            auto *item = new QListWidgetItem(text);
            item->setData(NickRole, contact->nick());
            item->setData(NameRole, name);
            item->setData(GroupNameRole, group->name());
            item->setData(CheckedRole, member);
            item->setSizeHint(QSize(1, 26));
            list->addItem(item);
        }
    }
    list->doItemsLayout();
    updateRowWidgets();
}

void AddEditGroupDialog::updateRowWidgets()
{
    QListWidget *list = m_ui->listWidget;
    if (!list->isVisible() || list->count() == 0)
        return;
    const QModelIndex top = list->indexAt(QPoint(1, 1));
    const QModelIndex bottom = list->indexAt(QPoint(1, list->viewport()->height() - 1));
    const int first = qMax(0, (top.isValid() ? top.row() : 0) - SpareRows);
    const int last
        = qMin(list->count() - 1, (bottom.isValid() ? bottom.row() : list->count() - 1) + SpareRows);

    for (auto it = m_widgetItems.begin(); it != m_widgetItems.end();) {
        const int row = list->row(*it);
        if (row >= first && row <= last) {
            ++it;
            continue;
        }
        list->removeItemWidget(*it);
        it = m_widgetItems.erase(it);
    }
    for (int row = first; row <= last; ++row) {
        QListWidgetItem *item = list->item(row);
        if (list->itemWidget(item))
            continue;
        auto *widget = new ContactWidget;
        widget->setName(item->data(NameRole).toString());
        widget->setGroupName(item->data(GroupNameRole).toString());
        widget->setNick(item->data(NickRole).toString());
        widget->setChecked(item->data(CheckedRole).toBool());
        connect(widget, &ContactWidget::toggled, this,
                [item](bool checked) { item->setData(CheckedRole, checked); });
        list->setItemWidget(item, widget);
        m_widgetItems.append(item);
    }
}

QList<Contact> AddEditGroupDialog::selectedContacts() const
{
    QList<Contact> selected;
    const QListWidget *list = m_ui->listWidget;
    for (int row = 0; row < list->count(); ++row) {
        const QListWidgetItem *item = list->item(row);
        if (!item->data(CheckedRole).toBool())
            continue;
        const QString nick = item->data(NickRole).toString();
        const ContactPtr contact = m_contactManager ? m_contactManager->contact(nick) : ContactPtr();
        if (!contact) {
            TRACE << "Contact" << Trace::tag(nick) << "is no longer in the address book";
            continue;
        }
        selected << *contact;
    }
    TRACE << "returning selected contacts..." << selected.size();
    return selected;
}

void AddEditGroupDialog::showExpanded(bool)
{
    if (!isVisible()) {
        m_needsExpandUpdate = true;
        return;
    }
    applyExpandedGeometry();
}

void AddEditGroupDialog::applyExpandedGeometry()
{
    QListWidget *list = m_ui->listWidget;
    if (m_ui->expandCollapseButton->isChecked()) {
        list->show();
        updateGeometry();
        resize(sizeHint());
        updateRowWidgets();
    } else {
        const int height = list->height();
        setMinimumHeight(sizeHint().height() - height);
        list->hide();
        updateGeometry();
        resize(width(), this->height() - height);
    }
}

void AddEditGroupDialog::showEvent(QShowEvent *event)
{
    DialogBase::showEvent(event);
    if (event->type() == QEvent::Show && m_needsExpandUpdate) {
        applyExpandedGeometry();
        m_needsExpandUpdate = false;
    }
}

bool AddEditGroupDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_listViewport && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        updateRowWidgets();
    return DialogBase::eventFilter(watched, event);
}

void AddEditGroupDialog::refuse(const QString &message)
{
    setErrorText(message);
    m_ui->groupLabel->setProperty("_invalid", true);
    repolishWidget(m_ui->groupLabel);
}

void AddEditGroupDialog::onSaveCreateGroupClicked()
{
    const QString name = groupName();
    const bool valid = GroupNameRules::isWellFormed(name);
    m_ui->groupLabel->setProperty("_invalid", !valid);
    repolishWidget(m_ui->groupLabel);
    if (!valid) {
        setErrorText(GroupNameRules::malformedText());
        return;
    }
    if (!m_contactManager)
        return;
    if (GroupNameRules::isTaken(name, m_contactManager, m_editedGroupName)) {
        refuse(GroupNameRules::takenText(name));
        return;
    }
    const bool editing = !m_editedGroupName.isEmpty();
    if (editing && !m_contactManager->group(m_editedGroupName)) {
        refuse(tr("The following group no longer exists: %1").arg(m_editedGroupName));
        return;
    }
    setErrorText(QString());
    const QList<Contact> selected = selectedContacts();

    if (editing) {
        for (const Contact &contact : selected)
            m_contactManager->moveContact(m_contactManager->contact(contact.nick()), m_editedGroupName, true);
        // The rename carries the group's contacts along.
        if (name != m_editedGroupName)
            m_contactManager->updateGroup(m_editedGroupName, name);
    } else {
        m_contactManager->addNewGroup(name);
        for (const Contact &contact : selected)
            m_contactManager->moveContact(m_contactManager->contact(contact.nick()), name, true);
    }
    accept();
}
