#ifndef IMPORTCONTACTS_CONTACTIMPORTER_H
#define IMPORTCONTACTS_CONTACTIMPORTER_H

#include "importcontacts/importcontact.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;
class QUrl;

// Base of the importers of a web-mail provider's address book. An import is
// a chain of requests, one in flight at a time, that ends in exactly one of
// finished(), networkError() or errorLoggingIn(). Starting again drops the
// chain under way; replies of a dropped chain are ignored.
class ContactImporter : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ContactImporter)

public:
    // A request that shows no progress for this long, or is not done within
    // the deadline, fails.
    static constexpr int DefaultInactivityTimeout = 30000;
    static constexpr int DefaultDeadline = 120000;
    // Largest page and largest contact list read.
    static constexpr qint64 PageLimit = 2 * 1024 * 1024;
    static constexpr qint64 FeedLimit = 32 * 1024 * 1024;

    // Why the last import ended in networkError().
    enum class Failure {
        None,
        // The provider could not be reached, or the connection broke.
        NoConnection,
        TimedOut,
        // Refused for another reason than the user name or password (those
        // end in errorLoggingIn()).
        SignInRefused,
        // An HTTP error status; failureStatus() gives it.
        ProviderError,
        // An answer that could not be read or was not what the chain needs.
        Unreadable,
        // A request to a host not the provider's, or not over https: not sent.
        Unsafe,
        // The application has no registration with the provider.
        NotRegistered
    };
    Q_ENUM(Failure)

    explicit ContactImporter(QObject *parent = nullptr);
    ~ContactImporter() override;

    virtual void startImportingContacts(const QString &user, const QString &password) = 0;

    // The contacts by first, then last name; built once, when first asked
    // for after an import.
    QList<ImportContact> sortedContactList();
    // Counts and field names only: contacts stay out of the trace log.
    void debugContactList() const;
    void debugSortedContactList() const;

    bool isRunning() const { return m_running; }
    Failure failure() const { return m_failure; }
    // The HTTP status of a ProviderError.
    int failureStatus() const { return m_failureStatus; }
    void setTimeouts(int inactivityMs, int deadlineMs);

signals:
    void networkError();
    void errorLoggingIn();
    void progressUpdate(int percent);
    void finished();

protected:
    // Drops the reply in flight and any contacts read before.
    void beginChain();
    // Hosts that may receive a form post: the provider's own.
    void setCredentialHosts(const QStringList &hosts) { m_credentialHosts = hosts; }
    bool mayPostTo(const QUrl &url) const;

    // Send a request of the chain over https (a post only to the credential
    // hosts); the previous reply goes to deferred deletion. Null, after
    // networkError(), when the request may not be sent.
    QNetworkReply *get(QNetworkRequest request, qint64 bodyLimit = PageLimit);
    QNetworkReply *post(QNetworkRequest request, const QByteArray &body);
    // The reply whose finished() is being handled when it belongs to the
    // chain under way; null for a stale one, which the slot then ignores, and
    // for one whose body is over its limit, which ends the chain.
    QNetworkReply *finishedReply();

    void endWithNetworkError(Failure failure);
    // For a reply that failed: no connection, no answer in time or an error
    // status.
    void endWithReplyError(QNetworkReply *reply);
    void endWithLoginError();
    void endFinished();
    void clearContacts();

    QString m_user;
    QString m_password;
    QList<ImportContact> m_contactList;
    QList<ImportContact> m_sortedContactList;

private:
    QNetworkReply *send(QNetworkRequest request, const QByteArray &verb, const QByteArray &body,
                        qint64 bodyLimit);
    void releaseReply();
    void end();

    QNetworkAccessManager *const m_manager;
    QPointer<QNetworkReply> m_reply;
    QStringList m_credentialHosts;
    QTimer m_deadline;
    int m_inactivityTimeout = DefaultInactivityTimeout;
    bool m_running = false;
    bool m_deadlinePassed = false;
    Failure m_failure = Failure::None;
    int m_failureStatus = 0;
};

#endif // IMPORTCONTACTS_CONTACTIMPORTER_H
