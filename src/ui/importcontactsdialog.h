#ifndef LINKORA_UI_IMPORTCONTACTSDIALOG_H
#define LINKORA_UI_IMPORTCONTACTSDIALOG_H

#include "importcontacts/importcontact.h"
#include "rest/contact.h"
#include "ui/contactgroup.h"
#include "ui/dialogbase.h"

#include <QList>
#include <QPointer>
#include <QScopedPointer>
#include <QSet>
#include <QStringList>

#include <functional>

class ContactImporter;
class ContactManager;
class Invite;
class QListWidget;
class QTimer;
class RestManager;

namespace Ui {
class ImportContactsDialog;
}

// The wizard that copies contacts from a web-mail address book into the
// account's address book and then invites some of them by e-mail: provider,
// sign-in, contacts with phones (and the group they go into), contacts with
// e-mail addresses, conclusion. Rows carry the imported contacts themselves;
// the conclusion counts the contacts the address book has accepted, as its
// answers come in. A contact goes in under the nick the Import button checked
// the book for; contacts of one import that share a nick are told apart.
class ImportContactsDialog : public DialogBase
{
    Q_OBJECT
    Q_DISABLE_COPY(ImportContactsDialog)

public:
    enum Provider { Yahoo = 0, Google = 1 };
    enum Page { ProviderPage = 0, LoginPage, ImportPage, InvitePage, ConcludePage };
    // Makes the importer of a provider, with the dialog as parent.
    using ImporterFactory = std::function<ContactImporter *(int provider, QObject *parent)>;
    // Between the Import button and the import.
    static constexpr int ImportDelay = 2000;
    // Longest stretch of handing contacts over before the window gets a turn.
    static constexpr int ImportSlice = 10;
    // Contacts handed to the address book in one call.
    static constexpr int ImportBatch = 50;

    explicit ImportContactsDialog(QWidget *parent = nullptr);
    ~ImportContactsDialog() override;

    // Stored only; the address book sends what it needs.
    void setRestManager(RestManager *restManager);
    void setContactManager(ContactManager *contactManager);
    // The group names offered for the imported contacts, in this order.
    void setGroups(const QStringList &names);
    void setInviteName(const QString &name);
    void setInviteEmail(const QString &email);
    // By default the providers' services as the URL configuration gives
    // them; a provider the brand has no registration with is offered as
    // unavailable. A factory of its own makes every provider available.
    void setImporterFactory(ImporterFactory factory);
    // An empty reason makes the provider available again.
    void setProviderUnavailable(int provider, const QString &reason);

    // The conclusion page's text for that many contacts added.
    static QString conclusionText(int added);
    // Contacts of the last import the address book has accepted so far.
    int acceptedCount() const { return m_acceptedCount; }

signals:
    void requestSendInvitations(const Invite &invite);

private slots:
    void onSelectProviderClicked();
    void onImportButtonClicked();
    void onBackButtonClicked();
    void onSkipButtonClicked();
    void onCancelAddGroupClicked();
    void onAddGroupClicked();
    void onAnotherClicked();
    void onSelectAllToggled(bool checked);
    void onImporterNetworkError();
    void onImporterErrorLoggingIn();
    void onImporterFinished();
    void importContacts();
    void handNextContacts();
    void onContactAnswered(const QString &nick, bool accepted);
    void onBookCleared();
    void onBookChanged();

private:
    void goToPage(int page);
    void setProvider(int provider);
    void fillImportList();
    void fillInviteList();
    void setAllChecked(QListWidget *list, bool checked);
    void signIn();
    void checkAndImport();
    void sendInvitations();
    // The address book's contact for an imported one, in the chosen group,
    // with the nick the provider gave it or one made from its name.
    Contact contactOf(const ImportContact &imported) const;
    QList<Contact> contactsOf(const QList<ImportContact> &imported) const;
    // The contacts of one import with nicks that tell them apart.
    QList<Contact> withNicksOfTheirOwn(QList<Contact> contacts) const;
    // For each imported contact, made into the contact that goes in, the
    // contact of the book it already is; empty where none.
    QList<ContactPtr> contactsInBook(const QList<ImportContact> &imported,
                                     const QList<Contact> &goingIn) const;
    // The message naming the contacts of the book that these are already;
    // empty when the book has none of them.
    QString alreadyInBookText(const QList<ImportContact> &imported, const QList<Contact> &goingIn) const;
    QList<ImportContact> importContactsAt(const QList<int> &rows) const;
    // Why the importer ended in a network error, for the user.
    QString failureText() const;
    void finishImport();
    void stopImport();
    void endSignIn();
    void updateConclusion();
    void warn(const QString &title, const QString &text);

    const QScopedPointer<Ui::ImportContactsDialog> ui;
    QPointer<ContactImporter> importer;
    ImporterFactory factory;
    // The importer's contacts when it finished, in its order.
    QList<ImportContact> contacts;
    QList<ImportContact> phoneContacts;
    // Handed to the address book by the last import.
    int importedCount = 0;
    QString groupName;
    // "Google", "Yahoo".
    QString providerName;
    QPointer<RestManager> restManager;
    QPointer<ContactManager> contactManager;
    QTimer *const importTimer;
    // The rows the Import button found checked and their contacts as they
    // go in, until the import starts.
    QList<int> m_plannedRows;
    QList<Contact> m_planned;
    // Checked contacts still to be handed over.
    QList<Contact> m_toImport;
    bool m_importing = false;
    // The nicks of the last import's contacts whose answer has not come yet.
    QSet<QString> m_awaitedNicks;
    int m_acceptedCount = 0;
    // The account was signed out of since the book was last filled.
    bool m_signedOut = false;
};

#endif // LINKORA_UI_IMPORTCONTACTSDIALOG_H
