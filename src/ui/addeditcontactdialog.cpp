#include "ui/addeditcontactdialog.h"
#include "ui_addeditcontactdialog.h"

#include "ui/contactmanager.h"
#include "ui/phonenumberwidget.h"
#include "ui/repolishwidget.h"
#include "util/trace.h"

#include <QApplication>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QShowEvent>

namespace {

// Letters of any script, digits and underscores, as group names always took.
const QRegularExpression::PatternOptions NameOptions = QRegularExpression::UseUnicodePropertiesOption;

const QRegularExpression &newGroupPattern()
{
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(QStringLiteral("[\\w_]+")),
                                            NameOptions);
    return pattern;
}

const QRegularExpression &emailPattern()
{
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("\\b[A-Z0-9._%+-]+@[A-Z0-9.-]+\\.[A-Z]{2,}\\b")),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

const QRegularExpression &phonePattern()
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\+?(([17]\-\d\d[0-9\-]{0,11}\d)|([0-9]{2,3}(?=(\-\d\d\d)|(\d\d\d))\-?\d\d[0-9\-]{0,12}\d))$)"));
    return pattern;
}

} // namespace

AddEditContactDialog::AddEditContactDialog(QWidget *parent)
    : DialogBase(parent)
    , m_ui(new Ui::AddEditContactDialogContent)
{
    m_ui->setupUi(contentWidget());
    setPhoneRowCount(1);
    m_ui->groupLineEdit->setPlaceholderText(tr("insert group name..."));
    m_ui->groupStackedWidget->setCurrentWidget(m_ui->groupSelectPage);
    for (int row = 1; row <= MaxPhoneRows; ++row) {
        PhoneNumberWidget *widget = phoneRow(row);
        connect(widget, &PhoneNumberWidget::addClicked, this, &AddEditContactDialog::onAddNumberClicked);
        connect(widget, &PhoneNumberWidget::removeClicked, this,
                &AddEditContactDialog::onRemoveNumberClicked);
    }
    connect(m_ui->addSaveContactButton, &QPushButton::clicked, this,
            &AddEditContactDialog::onAddSaveContactClicked);
    connect(m_ui->addGroupButton, &QPushButton::clicked, this, &AddEditContactDialog::onAddGroupClicked);
    connect(m_ui->cancelAddGroup, &QPushButton::clicked, this,
            &AddEditContactDialog::onCancelAddGroupClicked);
    m_ui->groupLineEdit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[\\w_]{0,20}"), NameOptions), this));
    m_needsMinimumSize = true;
}

AddEditContactDialog::~AddEditContactDialog() = default;

void AddEditContactDialog::setContactManager(ContactManager *contactManager)
{
    m_contactManager = contactManager;
}

void AddEditContactDialog::setAddContact(const QList<ContactGroupPtr> &groups)
{
    TRACE << "Got groups list of size: " << groups.size();
    setTitle(tr("Add new contact"));
    m_ui->addSaveContactButton->setText(tr("Add contact"));
    setGroups(groups);
    m_ui->groupCombo->setCurrentIndex(0);
    m_ui->firstNameLineEdit->clear();
    m_ui->lastNameLineEdit->clear();
    m_ui->emailLineEdit->clear();
    m_ui->addressLineEdit->clear();
    m_addMode = true;
    m_ui->addSaveContactButton->setEnabled(true);
    setPhoneRowCount(1);
}

void AddEditContactDialog::setEditContact(const QString &nick)
{
    const ContactPtr contact = m_contactManager ? m_contactManager->contact(nick) : ContactPtr();
    const QList<ContactGroupPtr> groups
        = m_contactManager ? m_contactManager->groups() : QList<ContactGroupPtr>();
    const int groupIndex = contact ? m_contactManager->groupIndex(contact->groupName()) : -1;
    if (groupIndex < 0 || groupIndex >= groups.size()) {
        // Nothing sound to save: neither an edit nor an addition.
        TRACE_WARNING << "No contact" << Trace::tag(nick) << "in a group of the address book";
        m_ui->addSaveContactButton->setEnabled(false);
        return;
    }

    setTitle(tr("Edit contact"));
    m_ui->addSaveContactButton->setText(tr("Save contact"));
    m_editNick = contact->nick();
    m_editGroupName = contact->groupName();
    setGroups(groups);
    m_ui->groupCombo->setCurrentIndex(groupIndex);
    m_ui->firstNameLineEdit->setText(contact->firstName());
    m_ui->lastNameLineEdit->setText(contact->lastName());
    m_ui->emailLineEdit->setText(contact->emails().value(0));
    m_ui->addressLineEdit->setText(contact->addressLine1());

    QList<PhoneRow> rows;
    for (const PhoneNumber &phone : contact->phones().mid(0, MaxPhoneRows))
        rows << PhoneRow(phone.number(), phone.type());
    setPhoneRowCount(rows.size());
    fillPhoneRows(rows);
    m_addMode = false;
    m_ui->addSaveContactButton->setEnabled(true);
}

void AddEditContactDialog::setPhoneNumber(const QString &number)
{
    PhoneNumberWidget *first = phoneRow(1);
    first->setNumber(number);
    first->setPhoneType(PhoneNumber::Home);
}

void AddEditContactDialog::setGroups(const QList<ContactGroupPtr> &groups)
{
    m_ui->groupCombo->clear();
    m_ui->groupStackedWidget->setCurrentWidget(m_ui->groupSelectPage);
    for (const ContactGroupPtr &group : groups) {
        if (!group)
            continue;
        m_ui->groupCombo->addItem(group->name());
        m_ui->groupCombo->setItemData(m_ui->groupCombo->count() - 1, QSize(1, 18), Qt::SizeHintRole);
    }
}

void AddEditContactDialog::setPhoneRowCount(int count)
{
    count = qBound(0, count, MaxPhoneRows);
    for (int row = 1; row <= MaxPhoneRows; ++row) {
        PhoneNumberWidget *widget = phoneRow(row);
        const bool shown = row <= count;
        phoneLabelWidget(row)->setVisible(shown);
        widget->setVisible(shown);
        widget->setNumber(QString());
        widget->setPhoneType(PhoneNumber::Home);
        if (!shown)
            continue;
        if (count == 1)
            widget->setButtonsVisible(PhoneNumberWidget::AddOnly);
        else if (row < count || count == MaxPhoneRows)
            widget->setButtonsVisible(PhoneNumberWidget::RemoveOnly);
        else
            widget->setButtonsVisible(PhoneNumberWidget::AddAndRemove);
    }
    m_rowCount = count;
    if (isVisible())
        updateMinimumSize();
    else
        m_needsMinimumSize = true;
}

PhoneNumberWidget *AddEditContactDialog::phoneRow(int row) const
{
    return m_ui->gridLayoutWidget->findChild<PhoneNumberWidget *>(
        QStringLiteral("phoneNumberWidget_%1").arg(row));
}

QWidget *AddEditContactDialog::phoneLabelWidget(int row) const
{
    return m_ui->gridLayoutWidget->findChild<QWidget *>(QStringLiteral("phoneLabel_%1").arg(row));
}

QLabel *AddEditContactDialog::phoneTextLabel(int row) const
{
    return m_ui->gridLayoutWidget->findChild<QLabel *>(QStringLiteral("phone_%1").arg(row));
}

int AddEditContactDialog::phoneRowIndex(const QString &objectName)
{
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("\\w+_(\\d+)")));
    const QRegularExpressionMatch match = pattern.match(objectName);
    bool ok = false;
    const int number = match.hasMatch() ? match.captured(1).toInt(&ok) : 0;
    return ok ? number - 1 : -1;
}

QList<AddEditContactDialog::PhoneRow> AddEditContactDialog::phoneRows() const
{
    QList<PhoneRow> rows;
    for (int row = 1; row <= m_rowCount; ++row)
        rows << PhoneRow(phoneRow(row)->number(), phoneRow(row)->phoneType());
    return rows;
}

void AddEditContactDialog::fillPhoneRows(const QList<PhoneRow> &rows)
{
    for (int row = 1; row <= qMin(int(rows.size()), m_rowCount); ++row) {
        phoneRow(row)->setNumber(rows.at(row - 1).first);
        phoneRow(row)->setPhoneType(rows.at(row - 1).second);
    }
}

void AddEditContactDialog::onAddNumberClicked()
{
    const QList<PhoneRow> rows = phoneRows();
    setPhoneRowCount(m_rowCount + 1);
    fillPhoneRows(rows);
}

void AddEditContactDialog::onRemoveNumberClicked()
{
    const auto *widget = qobject_cast<const PhoneNumberWidget *>(sender());
    if (!widget)
        return;
    QList<PhoneRow> rows = phoneRows();
    setPhoneRowCount(m_rowCount - 1);
    const int index = phoneRowIndex(widget->objectName());
    if (index >= 0 && index < rows.size())
        rows.removeAt(index);
    fillPhoneRows(rows);
}

void AddEditContactDialog::onAddGroupClicked()
{
    m_ui->groupLineEdit->clear();
    repolishWidget(m_ui->groupCombo);
    m_ui->groupStackedWidget->setCurrentWidget(m_ui->groupAddPage);
}

void AddEditContactDialog::onCancelAddGroupClicked()
{
    m_ui->groupLineEdit->clear();
    m_ui->groupStackedWidget->setCurrentWidget(m_ui->groupSelectPage);
}

QString AddEditContactDialog::checkGroup()
{
    const QString name = m_ui->groupLineEdit->text().trimmed();
    QString failure;
    if (!newGroupPattern().match(name).hasMatch()) {
        setErrorText(
            tr("The following field is invalid or contains spaces: %1").arg(QStringLiteral("Group")));
        failure = tr("Group");
    } else {
        // Against the book as it is now, in any letter case.
        QStringList existing;
        for (int i = 0; i < m_ui->groupCombo->count(); ++i)
            existing << m_ui->groupCombo->itemText(i);
        if (m_contactManager) {
            for (const ContactGroupPtr &group : m_contactManager->groups())
                existing << group->name();
        }
        if (existing.contains(name, Qt::CaseInsensitive)) {
            setErrorText(tr("The following group already exists: %1").arg(name));
            failure = tr("Group");
        } else {
            setErrorText(QString());
        }
    }
    markInvalid(m_ui->groupLabel, !failure.isEmpty());
    return failure;
}

void AddEditContactDialog::markInvalid(QLabel *label, bool invalid)
{
    label->setProperty("_invalid", invalid);
    repolishWidget(label);
}

QStringList AddEditContactDialog::validate()
{
    QStringList failures;
    const bool firstNameBad = m_ui->firstNameLineEdit->text().trimmed().isEmpty();
    if (firstNameBad)
        failures << tr("First Name");
    markInvalid(m_ui->firstNameLabel, firstNameBad);

    if (m_ui->groupStackedWidget->currentWidget() == m_ui->groupAddPage) {
        const QString groupFailure = checkGroup();
        if (!groupFailure.isEmpty())
            failures << groupFailure;
    } else {
        const bool groupBad = m_ui->groupCombo->currentIndex() == -1;
        if (groupBad)
            failures << tr("Group");
        markInvalid(m_ui->groupLabel, groupBad);
    }

    const QString email = m_ui->emailLineEdit->text().trimmed();
    const bool emailBad = !email.isEmpty() && !emailPattern().match(email).hasMatch();
    if (emailBad)
        failures << tr("Email");
    markInvalid(m_ui->emailLabel, emailBad);

    for (int row = 1; row <= m_rowCount; ++row) {
        const bool phoneBad = !phonePattern().match(phoneRow(row)->number().trimmed()).hasMatch();
        if (phoneBad)
            failures << tr("Phone") + QStringLiteral(" %1").arg(row);
        markInvalid(phoneTextLabel(row), phoneBad);
    }
    return failures;
}

Contact AddEditContactDialog::contactFromForm() const
{
    // An edit starts from the stored record: what the form does not show
    // stays as it was.
    const ContactPtr stored
        = !m_addMode && m_contactManager ? m_contactManager->contact(m_editNick) : ContactPtr();
    Contact contact = stored ? *stored : Contact();
    contact.setFirstName(m_ui->firstNameLineEdit->text().trimmed());
    contact.setLastName(m_ui->lastNameLineEdit->text().trimmed());
    contact.setAddressLine1(m_ui->addressLineEdit->text().trimmed());

    const QString email = m_ui->emailLineEdit->text().trimmed();
    const QStringList furtherEmails = stored ? stored->emails().mid(1) : QStringList();
    contact.setEmails(email.isEmpty() && !furtherEmails.isEmpty() ? furtherEmails
                                                                  : QStringList {email} + furtherEmails);
    contact.setGroupName(m_ui->groupCombo->currentText());

    static const QRegularExpression plusAndHyphens(QStringLiteral("[+\\-]"));
    QList<PhoneNumber> phones;
    for (const PhoneRow &row : phoneRows()) {
        PhoneNumber phone;
        phone.setNumber(row.first.trimmed().remove(plusAndHyphens));
        phone.setType(row.second);
        phones << phone;
    }
    if (stored)
        phones += stored->phones().mid(MaxPhoneRows);
    contact.setPhones(phones);

    contact.setNick(m_editNick);
    if (contact.nick().isEmpty())
        contact.setNick(contact.generateNick());
    return contact;
}

void AddEditContactDialog::onAddSaveContactClicked()
{
    if (!m_contactManager)
        return;
    const QStringList failures = validate();
    if (!failures.isEmpty()) {
        // A bad new group name has already said what is wrong with it.
        if (failures != QStringList {tr("Group")})
            setErrorText(tr("The following fields are invalid: %1").arg(failures.join(QStringLiteral(", "))));
        updateMinimumSize();
        return;
    }
    if (!m_addMode && !m_contactManager->contact(m_editNick)) {
        setErrorText(tr("This contact is no longer in the address book."));
        m_ui->addSaveContactButton->setEnabled(false);
        return;
    }

    const QString newGroupName = m_ui->groupStackedWidget->currentWidget() == m_ui->groupAddPage
        ? m_ui->groupLineEdit->text().trimmed()
        : QString();
    const Contact contact = contactFromForm();
    const QStringList shared = m_contactManager->sameFieldsText(contact);
    if (!shared.isEmpty()) {
        setErrorText(tr("Contact exist with the same fields: %1").arg(shared.join(QStringLiteral(", "))));
        markSharedFields(shared);
        updateMinimumSize();
        return;
    }
    setErrorText(QString());
    updateMinimumSize();
    if (save(contact, newGroupName))
        accept();
}

bool AddEditContactDialog::save(Contact contact, const QString &newGroupName)
{
    // The book refuses at once, on these signals, what it will not take.
    bool refused = false;
    const auto refuse = [&refused] {
        refused = true;
    };
    const QMetaObject::Connection contactRefusal
        = connect(m_contactManager, &ContactManager::contactAlreadyPresent, this, refuse);
    const QMetaObject::Connection groupRefusal
        = connect(m_contactManager, &ContactManager::groupAlreadyExists, this, refuse);

    if (m_addMode && !newGroupName.isEmpty()) {
        contact.setGroupName(newGroupName);
        m_contactManager->addNewGroupAndNewContact(contact, newGroupName);
    } else if (m_addMode) {
        m_contactManager->addNewContact(contact);
    } else if (!newGroupName.isEmpty()) {
        // The edits first, in the old group; then the move into the new one.
        contact.setGroupName(m_editGroupName);
        m_contactManager->updateContact(contact, m_editGroupName);
        contact.setGroupName(newGroupName);
        m_contactManager->addNewGroupAndMoveContact(contact, newGroupName);
    } else {
        m_contactManager->updateContact(contact, m_editGroupName);
    }

    disconnect(contactRefusal);
    disconnect(groupRefusal);
    if (refused)
        setErrorText(tr("This contact is already in the address book."));
    return !refused;
}

void AddEditContactDialog::markSharedFields(QStringList shared)
{
    // The store names the fields in its own translation context.
    const QString email = QCoreApplication::translate("ContactManager", "Email");
    const QString name = QCoreApplication::translate("ContactManager", "First/Last name");
    if (shared.removeAll(email) > 0)
        markInvalid(m_ui->emailLabel, true);
    const bool sameName = shared.removeAll(name) > 0;
    if (sameName)
        markInvalid(m_ui->firstNameLabel, true);
    markInvalid(m_ui->label_2, sameName);
    static const QRegularExpression rowNumber(QStringLiteral("(\\d+)$"));
    for (const QString &entry : qAsConst(shared)) {
        const QRegularExpressionMatch match = rowNumber.match(entry);
        if (QLabel *label = match.hasMatch() ? phoneTextLabel(match.captured(1).toInt()) : nullptr)
            markInvalid(label, true);
    }
}

void AddEditContactDialog::updateMinimumSize()
{
    setMinimumSize(sizeHint());
}

void AddEditContactDialog::showEvent(QShowEvent *event)
{
    DialogBase::showEvent(event);
    if (event->type() == QEvent::Show && m_needsMinimumSize) {
        updateMinimumSize();
        m_needsMinimumSize = false;
    }
    // The form starts at the first name; a window restored by the window
    // system keeps the field the user was in.
    if (!event->spontaneous())
        m_ui->firstNameLineEdit->setFocus();
}

QWidget *AddEditContactDialog::focusTarget(QWidget *from, bool next) const
{
    const auto shown = [this](QWidget *widget) {
        return widget->isVisibleTo(this) ? widget : nullptr;
    };
    const auto either = [&shown](QWidget *first, QWidget *second) {
        QWidget *target = shown(first);
        return target ? target : shown(second);
    };
    const Ui::AddEditContactDialogContent &ui = *m_ui;
    if (from == ui.firstNameLineEdit)
        return next ? ui.lastNameLineEdit : static_cast<QWidget *>(ui.addSaveContactButton);
    if (from == ui.lastNameLineEdit)
        return next ? either(ui.groupLineEdit, ui.groupCombo) : ui.firstNameLineEdit;
    if (from == ui.groupCombo)
        return next ? static_cast<QWidget *>(ui.addGroupButton) : ui.lastNameLineEdit;
    if (from == ui.addGroupButton)
        return next ? static_cast<QWidget *>(ui.emailLineEdit) : ui.groupCombo;
    if (from == ui.groupLineEdit)
        return next ? static_cast<QWidget *>(ui.cancelAddGroup) : ui.lastNameLineEdit;
    if (from == ui.cancelAddGroup)
        return next ? static_cast<QWidget *>(ui.emailLineEdit) : ui.groupLineEdit;
    if (from == ui.emailLineEdit)
        return next ? static_cast<QWidget *>(ui.addressLineEdit)
                    : either(ui.addGroupButton, ui.cancelAddGroup);
    if (from == ui.addressLineEdit)
        return next ? either(phoneRow(1), ui.addSaveContactButton) : ui.emailLineEdit;
    if (from == ui.addSaveContactButton) {
        if (next)
            return ui.firstNameLineEdit;
        return m_rowCount > 0 ? static_cast<QWidget *>(phoneRow(m_rowCount)) : ui.addressLineEdit;
    }
    for (int row = 1; row <= MaxPhoneRows; ++row) {
        PhoneNumberWidget *widget = phoneRow(row);
        if (from != widget && !widget->isAncestorOf(from))
            continue;
        if (next)
            return row < MaxPhoneRows ? either(phoneRow(row + 1), ui.addSaveContactButton)
                                      : static_cast<QWidget *>(ui.addSaveContactButton);
        return row > 1 ? static_cast<QWidget *>(phoneRow(row - 1)) : ui.addressLineEdit;
    }
    return nullptr;
}

bool AddEditContactDialog::focusNextPrevChild(bool next)
{
    QWidget *target = focusTarget(QApplication::focusWidget(), next);
    // Not only Tab asks: a focused field going out of sight does too, and the
    // whole form is out of sight while the window is dragged. A field that
    // cannot be seen takes no focus; with no other to take it, the focus
    // stays where the user put it.
    if (!target || !target->isVisible())
        return DialogBase::focusNextPrevChild(next);
    target->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}
