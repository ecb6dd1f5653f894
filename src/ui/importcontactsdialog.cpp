#include "ui/importcontactsdialog.h"

#include "importcontacts/importendpoints.h"
#include "ui_importcontactsdialog.h"

#include "importcontacts/contactimporter.h"
#include "importcontacts/googleimporter.h"
#include "importcontacts/importendpoints.h"
#include "importcontacts/yahooimporter.h"
#include "rest/contact.h"
#include "rest/invite.h"
#include "rest/restmanager.h"
#include "settings/emailvalidator.h"
#include "ui/contactmanager.h"
#include "ui/groupnamerules.h"
#include "ui/messageprompt.h"
#include "util/trace.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QStyle>
#include <QTimer>
#include <QUrl>

namespace {

const QString kProductName = QStringLiteral("Halvetta Linkora");

ContactImporter *makeProviderImporter(int provider, QObject *parent)
{
    if (provider == ImportContactsDialog::Google)
        return new GoogleImporter(parent);
    return new YahooImporter(parent);
}

// The rows of the list that are checked, in order.
QList<int> checkedRows(const QListWidget *list)
{
    QList<int> rows;
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->checkState() == Qt::Checked)
            rows << row;
    }
    return rows;
}

QListWidgetItem *makeRow(const QString &text, const QVariant &value)
{
    auto *item = new QListWidgetItem(text);
    item->setCheckState(Qt::Unchecked);
    item->setSizeHint(QSize(1, 20));
    item->setData(Qt::UserRole, value);
    return item;
}

// Only what percent-encoding leaves as it is: ASCII letters, digits, "-",
// ".", "_" and "~".
QString cleanNick(const QString &nick)
{
    static const QRegularExpression escape(QStringLiteral("(%[0-9a-fA-F]{2,2})"));
    return QString::fromLatin1(QUrl::toPercentEncoding(nick)).remove(escape);
}

} // namespace

ImportContactsDialog::ImportContactsDialog(QWidget *parent)
    : DialogBase(parent)
    , ui(new Ui::ImportContactsDialog)
    , factory(&makeProviderImporter)
    , importTimer(new QTimer(this))
{
    ui->setupUi(contentWidget());
    contentWidget()->setMinimumSize(300, 370);
    contentWidget()->resize(300, 370);
    setTitle(tr("Import contacts"));

    ui->buttonPanel->hide();
    ui->contentStackedWidget->setCurrentWidget(ui->pageSelectProvider);

    connect(ui->importYahooButton, &QPushButton::clicked, this,
            &ImportContactsDialog::onSelectProviderClicked);
    connect(ui->importGmailButton, &QPushButton::clicked, this,
            &ImportContactsDialog::onSelectProviderClicked);
    connect(ui->importLiveButton, &QPushButton::clicked, this,
            &ImportContactsDialog::onSelectProviderClicked);
    connect(ui->importButton, &QPushButton::clicked, this, &ImportContactsDialog::onImportButtonClicked);
    connect(ui->skipButton, &QPushButton::clicked, this, &ImportContactsDialog::onSkipButtonClicked);
    connect(ui->backButton, &QPushButton::clicked, this, &ImportContactsDialog::onBackButtonClicked);
    connect(ui->addGroupButton, &QPushButton::clicked, this, &ImportContactsDialog::onAddGroupClicked);
    connect(ui->cancelAddGroupButton, &QPushButton::clicked, this,
            &ImportContactsDialog::onCancelAddGroupClicked);
    connect(ui->anotherServiceButton, &QPushButton::clicked, this, &ImportContactsDialog::onAnotherClicked);
    connect(ui->selectAllImportCheckBox, &QCheckBox::toggled, this,
            &ImportContactsDialog::onSelectAllToggled);
    connect(ui->selectAllInviteCheckbox, &QCheckBox::toggled, this,
            &ImportContactsDialog::onSelectAllToggled);
    connect(ui->serviceLoginLineEdit, &QLineEdit::returnPressed, this,
            &ImportContactsDialog::onImportButtonClicked);
    connect(ui->servicePasswordLineEdit, &QLineEdit::returnPressed, this,
            &ImportContactsDialog::onImportButtonClicked);

    ui->importLiveButton->hide();
    ui->winLiveIcon->hide();
    // A new group's name follows the rules of the group dialog.
    ui->groupLineEdit->setValidator(GroupNameRules::validator(this));
    // The default importers need the brand's registration with each provider.
    setProviderUnavailable(Yahoo, YahooEndpoints::configured().unavailableReason());

    importTimer->setSingleShot(true);
    importTimer->setInterval(ImportDelay);
    connect(importTimer, &QTimer::timeout, this, &ImportContactsDialog::importContacts);
}

ImportContactsDialog::~ImportContactsDialog() = default;

void ImportContactsDialog::setRestManager(RestManager *manager)
{
    restManager = manager;
}

void ImportContactsDialog::setContactManager(ContactManager *manager)
{
    if (contactManager)
        disconnect(contactManager, nullptr, this, nullptr);
    contactManager = manager;
    if (!manager)
        return;
    connect(manager, &ContactManager::contactAdded, this,
            [this](const Contact &contact, bool accepted) { onContactAnswered(contact.nick(), accepted); });
    // A refusal comes at once, from within the hand-over.
    connect(manager, &ContactManager::contactAlreadyPresent, this,
            [this](const Contact &contact) { onContactAnswered(contact.nick(), false); });
    connect(manager, &ContactManager::cleared, this, &ImportContactsDialog::onBookCleared);
    connect(manager, &ContactManager::refreshContactListUI, this, &ImportContactsDialog::onBookChanged);
}

void ImportContactsDialog::setGroups(const QStringList &names)
{
    ui->groupsComboBox->clear();
    ui->groupsComboBox->addItems(names);
}

void ImportContactsDialog::setInviteName(const QString &name)
{
    ui->inviteNameLineEdit->setText(name);
}

void ImportContactsDialog::setInviteEmail(const QString &email)
{
    ui->inviteEmailLineEdit->setText(email);
}

void ImportContactsDialog::setProviderUnavailable(int provider, const QString &reason)
{
    QPushButton *const button = provider == Yahoo ? ui->importYahooButton
        : provider == Google                      ? ui->importGmailButton
                                                  : nullptr;
    if (!button)
        return;
    if (!button->property("_name").isValid())
        button->setProperty("_name", button->text());
    const QString name = button->property("_name").toString();
    button->setEnabled(reason.isEmpty());
    button->setText(reason.isEmpty() ? name : tr("%1 (not available)").arg(name));
    button->setToolTip(reason.toHtmlEscaped());
}

void ImportContactsDialog::setImporterFactory(ImporterFactory importerFactory)
{
    // A factory of its own decides for itself what it can import from.
    setProviderUnavailable(Yahoo, QString());
    setProviderUnavailable(Google, QString());
    factory = std::move(importerFactory);
}

void ImportContactsDialog::warn(const QString &title, const QString &text)
{
    MessagePrompt::show(
        {this, QMessageBox::Warning, title, text, QMessageBox::Ok, QMessageBox::NoButton, Qt::PlainText});
}

void ImportContactsDialog::onSelectProviderClicked()
{
    const QObject *const button = sender();
    int provider;
    if (button == ui->importGmailButton)
        provider = Google;
    else if (button == ui->importYahooButton)
        provider = Yahoo;
    else
        return;

    // The old importer's chain and a pending import end with it.
    stopImport();
    delete importer;
    contacts.clear();
    phoneContacts.clear();
    importer = factory(provider, this);
    connect(importer, &ContactImporter::progressUpdate, ui->loginProgressBar, &QProgressBar::setValue);
    connect(importer, &ContactImporter::errorLoggingIn, this,
            &ImportContactsDialog::onImporterErrorLoggingIn);
    connect(importer, &ContactImporter::networkError, this, &ImportContactsDialog::onImporterNetworkError);
    connect(importer, &ContactImporter::finished, this, &ImportContactsDialog::onImporterFinished);
    setProvider(provider);
    goToPage(LoginPage);
}

void ImportContactsDialog::setProvider(int provider)
{
    QString value;
    QString word;
    if (provider == Yahoo) {
        value = QStringLiteral("yahoo");
        word = QStringLiteral("Yahoo");
    } else if (provider == Google) {
        value = QStringLiteral("google");
        word = QStringLiteral("Google");
    }
    providerName = word;
    for (QWidget *logo : {ui->providerIconP2, ui->providerIconP3, ui->providerIconP4, ui->providerIconP5}) {
        logo->setProperty("_provider", value);
        logo->setStyleSheet(logo->styleSheet());
        logo->style()->unpolish(logo);
        logo->style()->polish(logo);
    }
    ui->serviceLoginLabel->setText(tr("%1 Username:").arg(word));
    ui->servicePasswordLabel->setText(tr("%1 Password:").arg(word));
}

void ImportContactsDialog::goToPage(int page)
{
    ui->buttonPanel->setVisible(page != ProviderPage);
    if (page == LoginPage || page == ConcludePage)
        ui->skipButton->hide();

    switch (page) {
    case ProviderPage:
        ui->contentStackedWidget->setCurrentWidget(ui->pageSelectProvider);
        break;
    case LoginPage:
        ui->loginProgressBar->hide();
        ui->serviceLoginLineEdit->clear();
        ui->servicePasswordLineEdit->clear();
        ui->importButton->setText(QStringLiteral("Import"));
        ui->loginProgressBar->setValue(0);
        ui->processingLabel->hide();
        // One sign-in at a time; Back leaves a running one going.
        ui->importButton->setEnabled(!importer || !importer->isRunning());
        importedCount = 0;
        m_acceptedCount = 0;
        m_awaitedNicks.clear();
        ui->serviceLoginLineEdit->setFocus();
        ui->contentStackedWidget->setCurrentWidget(ui->pageLogin);
        break;
    case ImportPage:
        ui->importProgressBar->hide();
        ui->skipButton->show();
        ui->groupStackedWidget->setCurrentWidget(ui->pageSelectGroup);
        ui->selectAllImportCheckBox->setChecked(false);
        ui->importButton->setText(QStringLiteral("Import"));
        ui->importButton->setEnabled(!m_signedOut);
        fillImportList();
        ui->contactsWidget->setVisible(!phoneContacts.isEmpty());
        setAllChecked(ui->importListWidget, ui->selectAllImportCheckBox->isChecked());
        ui->contentStackedWidget->setCurrentWidget(ui->pageImport);
        break;
    case InvitePage:
        ui->skipButton->show();
        ui->selectAllInviteCheckbox->setChecked(false);
        ui->importButton->setText(QStringLiteral("Send Email"));
        ui->importButton->setEnabled(!m_signedOut);
        fillInviteList();
        setAllChecked(ui->inviteListWidget, ui->selectAllInviteCheckbox->isChecked());
        ui->contentStackedWidget->setCurrentWidget(ui->pageInvite);
        break;
    case ConcludePage:
        ui->importButton->setText(QStringLiteral("Done"));
        ui->importButton->setEnabled(true);
        updateConclusion();
        ui->contentStackedWidget->setCurrentWidget(ui->pageConclude);
        break;
    default:
        break;
    }
}

void ImportContactsDialog::updateConclusion()
{
    // The address book sends the contacts one by one: the count is known
    // once the last answer is in.
    if (!m_awaitedNicks.isEmpty()) {
        const int answered = importedCount - int(m_awaitedNicks.size());
        ui->concludeLabel->setText(
            tr("Adding %1 of %2 contacts...").arg(qMin(answered + 1, importedCount)).arg(importedCount));
        return;
    }
    ui->concludeLabel->setText(conclusionText(m_acceptedCount));
}

QString ImportContactsDialog::conclusionText(int added)
{
    if (added < 1)
        return tr("You haven't imported any contacts.");
    if (added == 1)
        return tr("You have successfully added 1 contact.");
    return tr("You have successfully added %1 contacts.").arg(added);
}

void ImportContactsDialog::onBackButtonClicked()
{
    switch (ui->contentStackedWidget->currentIndex()) {
    case LoginPage:
        goToPage(ProviderPage);
        break;
    case ImportPage:
    case InvitePage:
    case ConcludePage:
        goToPage(ui->contentStackedWidget->currentIndex() - 1);
        break;
    default:
        break;
    }
}

void ImportContactsDialog::onSkipButtonClicked()
{
    const int page = ui->contentStackedWidget->currentIndex();
    if (page == ImportPage || page == InvitePage)
        goToPage(page + 1);
    else
        TRACE << "Unhandled step!";
}

void ImportContactsDialog::onImportButtonClicked()
{
    switch (ui->contentStackedWidget->currentIndex()) {
    case LoginPage:
        signIn();
        break;
    case ImportPage:
        checkAndImport();
        break;
    case InvitePage:
        sendInvitations();
        break;
    case ConcludePage:
        accept();
        break;
    default:
        TRACE_NOTIMPL;
        break;
    }
}

void ImportContactsDialog::signIn()
{
    // Return in a field comes here too.
    if (!importer || importer->isRunning())
        return;
    if (ui->serviceLoginLineEdit->text().trimmed().isEmpty()) {
        warn(tr("Insert username"), tr("Please insert your username"));
        return;
    }
    if (ui->servicePasswordLineEdit->text().trimmed().isEmpty()) {
        warn(tr("Insert password"), tr("Please insert your password"));
        return;
    }
    // An import still waiting would read the rows of the last sign-in.
    stopImport();
    ui->processingLabel->show();
    ui->loginProgressBar->show();
    ui->importButton->setEnabled(false);
    importer->startImportingContacts(ui->serviceLoginLineEdit->text(), ui->servicePasswordLineEdit->text());
}

void ImportContactsDialog::endSignIn()
{
    ui->processingLabel->hide();
    ui->loginProgressBar->setValue(0);
    ui->importButton->setEnabled(true);
}

void ImportContactsDialog::onImporterErrorLoggingIn()
{
    endSignIn();
    warn(QStringLiteral("Login error"), QStringLiteral("Please check your credentials and try again!"));
}

void ImportContactsDialog::onImporterNetworkError()
{
    endSignIn();
    warn(QStringLiteral("Network error"),
         QStringLiteral("An error occurred while importing contacts: %1").arg(failureText()));
    goToPage(ProviderPage);
}

QString ImportContactsDialog::failureText() const
{
    const QString provider = providerName.isEmpty() ? tr("The provider") : providerName;
    switch (importer ? importer->failure() : ContactImporter::Failure::None) {
    case ContactImporter::Failure::NoConnection:
        return tr("%1 could not be reached. Check your connection to the Internet and try again.")
            .arg(provider);
    case ContactImporter::Failure::TimedOut:
        return tr("%1 did not answer in time. Try again later.").arg(provider);
    case ContactImporter::Failure::SignInRefused:
        return tr("%1 did not accept the sign-in. Sign in on its web site once to see why, then try "
                  "again.")
            .arg(provider);
    case ContactImporter::Failure::ProviderError:
        return tr("%1 answered with an error (HTTP status %2). Try again later.")
            .arg(provider)
            .arg(importer->failureStatus());
    case ContactImporter::Failure::Unsafe:
        return tr("%1 sent us to an address that is not its own or not secure; nothing was sent there.")
            .arg(provider);
    case ContactImporter::Failure::NotRegistered:
        return tr("%1 has not registered this version of %2.")
            .arg(provider, QCoreApplication::applicationName());
    case ContactImporter::Failure::Unreadable:
    case ContactImporter::Failure::None:
        break;
    }
    return tr("%1 gave an answer that could not be read. Try again later.").arg(provider);
}

void ImportContactsDialog::onImporterFinished()
{
    contacts = importer ? importer->sortedContactList() : QList<ImportContact>();
    phoneContacts.clear();
    for (const ImportContact &contact : qAsConst(contacts)) {
        if (!contact.phones.isEmpty())
            phoneContacts << contact;
    }
    endSignIn();
    goToPage(ImportPage);
}

void ImportContactsDialog::fillImportList()
{
    ui->importListWidget->clear();
    ui->importListWidget->setUpdatesEnabled(false);
    for (const ImportContact &contact : qAsConst(phoneContacts)) {
        ui->importListWidget->addItem(
            makeRow(contact.displayName() + QStringLiteral(" (") + contact.phones.first() + QLatin1Char(')'),
                    QVariant::fromValue(contact)));
    }
    ui->importListWidget->setUpdatesEnabled(true);
    const int rows = ui->importListWidget->count();
    ui->foundImportContactsLabel->setText(
        rows > 0
            ? tr("We have found %1 contacts that have phone numbers.<br>Choose the ones you want to import.")
                  .arg(rows)
            : tr("We have found no contacts that have a phone number.\nClick skip and invite your friends to "
                 "%1.")
                  .arg(kProductName));
}

void ImportContactsDialog::fillInviteList()
{
    ui->inviteListWidget->clear();
    ui->inviteListWidget->setUpdatesEnabled(false);
    for (const ImportContact &contact : qAsConst(contacts)) {
        if (contact.emails.isEmpty())
            continue;
        ui->inviteListWidget->addItem(
            makeRow(contact.displayName() + QStringLiteral(" (") + contact.emails.first() + QLatin1Char(')'),
                    contact.emails.first()));
    }
    ui->inviteListWidget->setUpdatesEnabled(true);
    const int rows = ui->inviteListWidget->count();
    ui->inviteContactsLabel->setText(
        rows > 0
            ? tr("We have found %1 contacts that have an email.<br>Choose the ones you want to invite to %2.")
                  .arg(rows)
                  .arg(kProductName)
            : tr("We have found no contacts that have an email.\nClick skip and try to import another "
                 "addressbook."));
}

void ImportContactsDialog::setAllChecked(QListWidget *list, bool checked)
{
    const Qt::CheckState state = checked ? Qt::Checked : Qt::Unchecked;
    for (int row = 0; row < list->count(); ++row)
        list->item(row)->setCheckState(state);
}

void ImportContactsDialog::onSelectAllToggled(bool checked)
{
    if (sender() == ui->selectAllImportCheckBox)
        setAllChecked(ui->importListWidget, checked);
    else if (sender() == ui->selectAllInviteCheckbox)
        setAllChecked(ui->inviteListWidget, checked);
}

void ImportContactsDialog::onAddGroupClicked()
{
    ui->groupLineEdit->clear();
    ui->groupStackedWidget->setCurrentWidget(ui->pageAddGroup);
    ui->groupLineEdit->setFocus();
}

void ImportContactsDialog::onCancelAddGroupClicked()
{
    ui->groupLineEdit->clear();
    ui->groupStackedWidget->setCurrentWidget(ui->pageSelectGroup);
}

void ImportContactsDialog::onAnotherClicked()
{
    goToPage(ProviderPage);
}

void ImportContactsDialog::checkAndImport()
{
    if (!contactManager || m_signedOut)
        return;
    QMap<QString, QString> errors;
    groupName = ui->groupsComboBox->currentText();
    if (ui->groupStackedWidget->currentWidget() == ui->pageAddGroup) {
        const QString newName = ui->groupLineEdit->text().trimmed();
        if (newName.isEmpty()) {
            errors.insert(QStringLiteral("Group"), QStringLiteral("Group name cannot be empty"));
        } else if (!GroupNameRules::isWellFormed(newName)) {
            errors.insert(QStringLiteral("Group"), GroupNameRules::malformedText());
        } else if (GroupNameRules::isTaken(newName, contactManager)) {
            // "friends" beside "Friends" would be a second group of one name.
            errors.insert(QStringLiteral("Group"), QStringLiteral("Group %1 already exists").arg(newName));
        } else {
            groupName = newName;
            contactManager->addGroup(groupName, true);
        }
    }

    const QList<int> rows = checkedRows(ui->importListWidget);
    const QList<ImportContact> checked = importContactsAt(rows);
    const QList<Contact> goingIn = contactsOf(checked);
    const QString present = alreadyInBookText(checked, goingIn);
    TRACE << "Items checked: " << checked.size();
    if (!present.isEmpty())
        errors.insert(QStringLiteral("Contacts"), present);
    if (!errors.isEmpty()) {
        warn(tr("Error"),
             QCoreApplication::translate("ImportContactsDialog", errors.first().toUtf8().constData()));
        return;
    }
    // What was checked is what goes in, nicks and all, unless the rows
    // change before the import starts.
    m_plannedRows = rows;
    m_planned = withNicksOfTheirOwn(goingIn);
    // A second click starts the wait again rather than a second import.
    importTimer->start();
    ui->importProgressBar->show();
}

void ImportContactsDialog::importContacts()
{
    if (!contactManager || m_signedOut)
        return;
    const QList<int> rows = checkedRows(ui->importListWidget);
    QList<Contact> toImport = m_planned;
    const bool rowsChanged = rows != m_plannedRows;
    m_plannedRows.clear();
    m_planned.clear();
    if (rowsChanged) {
        // Rows checked during the wait were not looked up at the click: the
        // book may have them already, in any group.
        const QList<ImportContact> checked = importContactsAt(rows);
        const QList<Contact> goingIn = contactsOf(checked);
        const QString present = alreadyInBookText(checked, goingIn);
        if (!present.isEmpty()) {
            groupName.clear();
            ui->importProgressBar->hide();
            warn(tr("Error"),
                 QCoreApplication::translate("ImportContactsDialog", present.toUtf8().constData()));
            return;
        }
        toImport = withNicksOfTheirOwn(goingIn);
    }
    importedCount = 0;
    m_acceptedCount = 0;
    // Answers still to come for an earlier import are not this one's.
    m_awaitedNicks.clear();
    contactManager->setAddContactCalls(0);
    m_toImport = toImport;
    m_importing = true;
    handNextContacts();
}

// A big address book goes over in slices, so the window keeps drawing.
void ImportContactsDialog::handNextContacts()
{
    if (!m_importing)
        return;
    QElapsedTimer slice;
    slice.start();
    while (!m_toImport.isEmpty() && contactManager) {
        // A few at a time: the book refreshes its views once per call.
        QList<Contact> batch;
        while (!m_toImport.isEmpty() && batch.size() < ImportBatch) {
            const Contact contact = m_toImport.takeFirst();
            m_awaitedNicks.insert(contact.nick());
            batch << contact;
        }
        importedCount += int(batch.size());
        contactManager->addNewContacts(batch);
        if (slice.elapsed() >= ImportSlice)
            break;
    }
    if (!m_toImport.isEmpty() && contactManager) {
        QTimer::singleShot(0, this, &ImportContactsDialog::handNextContacts);
        return;
    }
    finishImport();
}

Contact ImportContactsDialog::contactOf(const ImportContact &imported) const
{
    Contact contact;
    contact.setFirstName(imported.firstName);
    contact.setLastName(imported.lastName);
    contact.setNick(imported.nickName);
    contact.setEmails(imported.emails);
    if (contact.firstName().isEmpty()) {
        if (!contact.nick().isEmpty()) {
            contact.setFirstName(contact.nick());
        } else if (!imported.emails.isEmpty()) {
            const QString &email = imported.emails.first();
            const qsizetype at = email.indexOf(QLatin1Char('@'));
            contact.setFirstName(at > 0 ? email.left(at) : email);
        }
    }
    QList<PhoneNumber> phones;
    for (QString number : imported.phones) {
        PhoneNumber phone;
        phone.setType(PhoneNumber::Home);
        phone.setNumber(number.remove(QLatin1Char('-')).remove(QLatin1Char('+')));
        phones << phone;
    }
    contact.setPhones(phones);
    contact.setAddressLine1(imported.address);
    contact.setGroupName(groupName);
    // A nick of other characters only (Cyrillic, Chinese) cleans away to
    // nothing; the generated one always keeps its digits.
    contact.setNick(cleanNick(contact.nick()));
    if (contact.nick().isEmpty())
        contact.setNick(cleanNick(contact.generateNick()));
    return contact;
}

QList<ImportContact> ImportContactsDialog::importContactsAt(const QList<int> &rows) const
{
    QList<ImportContact> contacts;
    contacts.reserve(rows.size());
    for (const int row : rows)
        contacts << ui->importListWidget->item(row)->data(Qt::UserRole).value<ImportContact>();
    return contacts;
}

QList<Contact> ImportContactsDialog::contactsOf(const QList<ImportContact> &imported) const
{
    QList<Contact> contacts;
    contacts.reserve(imported.size());
    for (const ImportContact &contact : imported)
        contacts << contactOf(contact);
    return contacts;
}

QList<Contact> ImportContactsDialog::withNicksOfTheirOwn(QList<Contact> contacts) const
{
    QSet<QString> taken;
    for (const Contact &contact : qAsConst(contacts))
        taken.insert(contact.nick());
    // The first contact of a nick keeps it: that is the one the book is
    // checked for. Those after it get "-2", "-3", ... of a nick that neither
    // the import nor the book has, so that the book takes them too.
    QSet<QString> kept;
    for (Contact &contact : contacts) {
        if (!kept.contains(contact.nick())) {
            kept.insert(contact.nick());
            continue;
        }
        const QString nick
            = contactManager ? contactManager->freeNick(contact.nick(), taken) : contact.nick();
        taken.insert(nick);
        contact.setNick(nick);
    }
    return contacts;
}

QList<ContactPtr> ImportContactsDialog::contactsInBook(const QList<ImportContact> &imported,
                                                       const QList<Contact> &goingIn) const
{
    // As the provider gives them and as they go in: by nickname and nick, by
    // numbers as written and as sent; against the whole book, whatever
    // group they are meant for.
    QList<Contact> probes;
    probes.reserve(goingIn.size());
    for (qsizetype i = 0; i < goingIn.size(); ++i) {
        Contact probe = goingIn.at(i);
        probe.setGroupName(QString());
        QList<PhoneNumber> phones = probe.phones();
        const QStringList sent = probe.phoneNumbers();
        for (const QString &number : imported.at(i).phones) {
            if (!sent.contains(number)) {
                PhoneNumber phone;
                phone.setType(PhoneNumber::Home);
                phone.setNumber(number);
                phones << phone;
            }
        }
        probe.setPhones(phones);
        probes << probe;
    }
    QList<ContactPtr> found = contactManager->contactsPresent(probes);
    for (qsizetype i = 0; i < found.size(); ++i) {
        if (!found.at(i) && !imported.at(i).nickName.isEmpty())
            found[i] = contactManager->contact(imported.at(i).nickName);
    }
    return found;
}

QString ImportContactsDialog::alreadyInBookText(const QList<ImportContact> &imported,
                                                const QList<Contact> &goingIn) const
{
    QStringList present;
    for (const ContactPtr &found : contactsInBook(imported, goingIn)) {
        if (found)
            present << found->firstName() + QLatin1Char(' ') + found->lastName() + QStringLiteral(" (")
                    + found->groupName() + QLatin1Char(')');
    }
    if (present.isEmpty())
        return QString();
    return QStringLiteral("Contacts below are already in your list\nPlease deselect them:\n%1")
        .arg(present.join(QLatin1Char('\n')));
}

void ImportContactsDialog::stopImport()
{
    importTimer->stop();
    m_importing = false;
    m_toImport.clear();
    m_plannedRows.clear();
    m_planned.clear();
    ui->importProgressBar->hide();
}

void ImportContactsDialog::finishImport()
{
    m_importing = false;
    TRACE << "Final imported count:" << importedCount;
    if (contactManager)
        TRACE << "addNewContact called:" << contactManager->addContactCalls();
    if (importedCount > 0)
        goToPage(InvitePage);
    else
        warn(tr("Error"), tr("You must select at least one contact to import"));
    groupName.clear();
    ui->importProgressBar->hide();
}

void ImportContactsDialog::onContactAnswered(const QString &nick, bool accepted)
{
    if (!m_awaitedNicks.remove(nick))
        return;
    if (accepted)
        ++m_acceptedCount;
    if (ui->contentStackedWidget->currentIndex() == ConcludePage)
        updateConclusion();
}

void ImportContactsDialog::onBookCleared()
{
    // Signed out: what was not answered will not be, and nothing goes in or
    // out until the book is the account's again. The page, its rows and
    // what was typed stay.
    stopImport();
    m_awaitedNicks.clear();
    m_signedOut = true;
    setErrorText(tr("You have been signed out. Sign in again to import contacts or send invitations."));
    const int page = ui->contentStackedWidget->currentIndex();
    if (page == ImportPage || page == InvitePage)
        ui->importButton->setEnabled(false);
    if (page == ConcludePage)
        updateConclusion();
}

void ImportContactsDialog::onBookChanged()
{
    // A sign-in gives the book its groups again, the default ones at least.
    if (!m_signedOut || !contactManager || contactManager->groups().isEmpty())
        return;
    m_signedOut = false;
    setErrorText(QString());
    const int page = ui->contentStackedWidget->currentIndex();
    if (page == ImportPage || page == InvitePage)
        ui->importButton->setEnabled(true);
}

void ImportContactsDialog::sendInvitations()
{
    if (m_signedOut)
        return;
    const QString name = ui->inviteNameLineEdit->text();
    const QString email = ui->inviteEmailLineEdit->text();
    if (name.isEmpty()) {
        warn(QStringLiteral("Error"), QStringLiteral("You must enter your name"));
        return;
    }
    if (email.isEmpty() || !EmailValidator::isValid(email)) {
        warn(QStringLiteral("Error"), QStringLiteral("You must enter a valid email address"));
        return;
    }
    QStringList recipients;
    for (int row = 0; row < ui->inviteListWidget->count(); ++row) {
        const QListWidgetItem *item = ui->inviteListWidget->item(row);
        if (item->checkState() == Qt::Checked)
            recipients << item->data(Qt::UserRole).toString();
    }
    if (recipients.isEmpty()) {
        warn(QStringLiteral("Error"), QStringLiteral("You must select at least one contact to invite"));
        return;
    }
    Invite invite;
    invite.setFromEmail(email);
    invite.setFullName(name);
    invite.setToEmails(recipients);
    invite.setUserMessage(ui->inviteMessageTextEdit->toPlainText());
    invite.setUserSubject(
        name + QStringLiteral(" has invited you to %1.").arg(QCoreApplication::applicationName()));
    TRACE << "Sending invite to:" << recipients.size() << "addresses";
    // The address book uses up each connection to it; one per invitation.
    if (contactManager)
        connect(this, &ImportContactsDialog::requestSendInvitations, contactManager,
                &ContactManager::sendInvitations, Qt::UniqueConnection);
    emit requestSendInvitations(invite);
    goToPage(ConcludePage);
}
