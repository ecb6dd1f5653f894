#ifndef WEBSERVICESTANDIN_H
#define WEBSERVICESTANDIN_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <map>
#include <memory>
#include <optional>

class QDateTime;
class QHttpServerRequest;
class QHttpServerResponder;
class QTcpSocket;

// A local, in-memory stand-in for the account web service, served over plain
// HTTP on 127.0.0.1. It answers the resources the client uses the way the
// service does (records as JSON, application errors as a 2xx answer carrying
// "errorMessage"), checks credentials and the JSON headers, records every
// request, and can be told how to answer the next request.
//
// Path layout: /webservice-5.0/<resource>[/<user>[/<key>]], each segment
// percent-decoded on its own, so an encoded "/" stays inside a nick; query
// values are decoded once ("+" stays a plus).
//
// Answers: lists and balances as arrays; the account as an array of one;
// contact and group additions, group renames, SMS and invitations echo the
// stored record; contact updates and deletions and group deletions answer an
// empty 200, which the client reads as "done". Wrong credentials give 401,
// except on the account resource, which answers "User not found!",
// "Invalid parameters." or "The account does not belong to the user." in a
// 200 the way the service does. Bad JSON headers or a missing "osid" give
// 400; voiceMail, bugReport and call give 501. The call-forwarding rules
// are listed as added.
class WebserviceStandIn : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(WebserviceStandIn)

public:
    using FieldErrors = QList<QPair<QString, QString>>; // field, errorCode

    // One request as the stand-in received it.
    struct Request
    {
        QByteArray method; // "GET", "PUT", "POST", "DELETE", ...
        QString encodedPath; // as sent, without the query
        QString resource; // first segment below the service root
        QStringList segments; // decoded segments after the resource
        QList<QPair<QString, QString>> queryItems; // decoded, in order
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        int status = 0; // of the answer; 0 while unanswered or when the client left
        qint64 receivedAt = 0; // milliseconds on the stand-in's clock
        qint64 answeredAt = -1;
        // The client closed the connection before the whole answer was out.
        bool abandoned = false;

        QString user() const { return segments.value(0); }
        QString key() const { return segments.value(1); }
        bool hasQueryItem(const QString &key) const;
        QString queryValue(const QString &key) const;
        // Header names compare case-insensitively; an absent header gives a null array.
        QByteArray header(const QByteArray &name) const;
        QJsonDocument json() const { return QJsonDocument::fromJson(body); }

        quint64 serial = 0; // order of arrival, from 1
    };

    // Which requests a steering call applies to; empty fields match anything.
    struct Match
    {
        QString resource;
        QByteArray method;
        bool matches(const Request &request) const;
    };

    explicit WebserviceStandIn(QObject *parent = nullptr);
    ~WebserviceStandIn() override;

    // Port 0 picks a free one.
    bool listen(quint16 port = 0);
    quint16 port() const { return m_port; }
    // "http://127.0.0.1:<port>/webservice-5.0"
    QUrl baseUrl() const;
    // The base URL of one resource, e.g. "http://127.0.0.1:<port>/webservice-5.0/contact".
    QString resourceBaseUrl(const QString &resource) const;

    // Accounts and their data. A new account gets talk credentials, a balance
    // of 10.0 EUR and nothing else.
    void addAccount(const QString &username, const QString &password);
    bool hasAccount(const QString &username) const;
    // The account record as the service sends it (no password).
    QJsonObject account(const QString &username) const;
    void setAccountField(const QString &username, const QString &key, const QJsonValue &value);
    void setBalance(const QString &username, double credit, const QString &currency,
                    const QString &currencySymbol);
    void addGroup(const QString &username, const QString &name);
    QStringList groups(const QString &username) const;
    // Stored under its "nick".
    void addContact(const QString &username, const QJsonObject &contact);
    // A contact record as the service holds it; phones as (kind, number), the
    // kind "HOME", "WORK" or "CELL".
    static QJsonObject contactRecord(const QString &nick, const QString &group, const QString &firstName,
                                     const QString &lastName,
                                     const QList<QPair<QString, QString>> &phones = {},
                                     const QStringList &emails = {}, const QString &address = {});
    // A large address book: the contacts spread evenly over groups named
    // "Group_01" and on (names the group dialog saves as they are), each
    // with a name, e-mail address and one to three phones of its own.
    void addSampleBook(const QString &username, int contacts, int groups);
    QJsonObject contact(const QString &username, const QString &nick) const;
    QStringList contactNicks(const QString &username) const;
    void addOnlineNumber(const QString &username, const QString &number, const QDateTime &expiration,
                         const QString &status);
    // A call-forwarding rule (the record's fields: number, dayStart, ...).
    void addCallForward(const QString &username, const QJsonObject &rule);
    QList<QJsonObject> sentSms(const QString &username) const;
    QList<QJsonObject> invitations(const QString &username) const;

    // The requests received so far, oldest first.
    QList<Request> requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }

    // Steering. Each call queues one answer for the next request that matches
    // and that the stand-in accepts (known route, right headers and
    // credentials); that request then changes no data. A delay applies to the
    // next matching request whatever its answer, without blocking other
    // requests meanwhile.
    void answerNextWithApplicationError(const QString &errorMessage, const FieldErrors &fieldErrors = {},
                                        const Match &match = {});
    void answerNextWithStatus(int status, const Match &match = {});
    void answerNextWithMalformedBody(const Match &match = {});
    void answerNextWithEmptyBody(int status = 200, const Match &match = {});
    // The next matching request is served as usual (its change is made), but
    // a successful answer comes with this status and an empty body.
    void answerNextTersely(int status = 204, const Match &match = {});
    void answerNextWith(int status, const QByteArray &body, const Match &match = {});
    void delayNext(int milliseconds, const Match &match = {});
    // The next matching request waits for its answer, without blocking
    // other requests, until releaseHeld(): a test decides when it comes,
    // however slow the machine.
    void holdNext(const Match &match = {});
    // Answers the oldest held request whose client still waits; false when
    // there is none.
    bool releaseHeld();
    // The next matching request is answered slowly: status line and headers
    // (with the body's full length) at once, then chunkSize bytes of the body
    // every interval milliseconds.
    void answerNextTrickling(const QByteArray &body, int chunkSize, int interval, int status = 200,
                             const Match &match = {});
    // The next matching request gets a body without a length that never
    // ends: chunkSize bytes of filler every interval milliseconds.
    void answerNextEndless(int chunkSize, int interval, const Match &match = {});
    // The next matching request's answer breaks off: status line and headers,
    // then the connection closes.
    void dropNext(const Match &match = {});
    void clearSteering();

    static QByteArray malformedBody();

signals:
    void requestReceived(const WebserviceStandIn::Request &request);
    void requestAnswered(const WebserviceStandIn::Request &request);

private:
    class Server;
    friend class Server;

    struct Answer
    {
        int status = 200;
        QByteArray body;
        QByteArray contentType;
        int chunkSize = 0; // > 0: the body goes out a chunk at a time
        int interval = 0;
        bool endless = false;
        bool drop = false;
    };

    struct AccountData
    {
        QString password;
        QJsonObject record;
        QJsonObject balance;
        QStringList groups;
        QMap<QString, QJsonObject> contacts;
        QJsonArray onlineNumbers;
        QJsonArray callForwards;
        QList<QJsonObject> sms;
        QList<QJsonObject> invites;
    };

    struct Steering
    {
        Match match;
        Answer answer;
        int delay = 0;
        bool hold = false;
        bool applicationError = false;
        bool terse = false;
        QString errorMessage;
        FieldErrors fieldErrors;
    };

    struct Pending
    {
        QPointer<QTcpSocket> socket;
        std::unique_ptr<QHttpServerResponder> responder;
        QMetaObject::Connection disconnection;
        Request request;
        Answer answer;
    };

    void queueAnswer(const Match &match, const Answer &answer);
    void handle(const QHttpServerRequest &httpRequest, QHttpServerResponder &&responder);
    Request record(const QHttpServerRequest &httpRequest);
    Answer answer(const Request &request);
    Answer serve(const Request &request);
    std::optional<Answer> reject(const Request &request) const;
    Answer createAccount(const Request &request);
    Answer serveContact(const Request &request, AccountData &data);
    Answer serveGroup(const Request &request, AccountData &data);
    Answer serveSms(const Request &request, AccountData &data);
    Answer serveInvite(const Request &request, AccountData &data);
    void send(QHttpServerResponder &responder, const Answer &answer, Request request);
    void sendPending(quint64 serial);
    void markAbandoned(quint64 serial);
    void startStream(std::unique_ptr<QHttpServerResponder> responder, const Answer &answer,
                     const Request &request);
    AccountData *accountData(const QString &username);
    const AccountData *accountData(const QString &username) const;

    Server *m_server = nullptr;
    quint16 m_port = 0;
    QElapsedTimer m_clock;
    quint64 m_nextSerial = 1;
    QMap<QString, AccountData> m_accounts;
    QList<Request> m_requests;
    QList<Steering> m_answers;
    QList<Steering> m_delays;
    std::map<quint64, Pending> m_pending;
    QList<quint64> m_held;
};

Q_DECLARE_METATYPE(WebserviceStandIn::Request)

#endif // WEBSERVICESTANDIN_H
