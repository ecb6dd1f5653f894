#ifndef REST_RESTREQUEST_H
#define REST_RESTREQUEST_H

#include "util/cappedreply.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <initializer_list>

class InstallationIdStore;
class QNetworkAccessManager;
class QNetworkReply;
class RestObj;
class WebserviceUrls;

// Base of the request objects, one per resource of the account web service.
// It builds the resource URLs with the credentials, sends a request with the
// JSON headers and the installation id, and hands the body of every reply
// without error to the subclass's parser, onFinish(). Several requests may be
// in flight; each reply is parsed with the method and mode of the request
// that sent it.
class RestRequest : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(RestRequest)

public:
    enum Method { Get = 0, Post = 1, Put = 2, Delete = 3 };

    // A request that makes no progress for this long fails.
    static constexpr int DefaultTransferTimeout = 30000;

    // What one answer may cost before it is given up.
    struct Limits
    {
        // The body of one record, and of a whole list: an address book of
        // 10,000 contacts takes a few megabytes.
        qint64 recordBodySize = 64 * 1024;
        qint64 listBodySize = 32 * 1024 * 1024;
        // Records taken from one list; a record with a longer text in it is
        // no real one and is dropped.
        int listRecords = 20000;
        qsizetype fieldLength = 4096;
        // From sending to the end of the answer, in milliseconds.
        int recordDeadline = 60000;
        int listDeadline = 300000;
        // From the end of the request to the whole header block of its answer.
        int headerDeadline = CappedReply::DefaultHeaderDeadline;
        // The same for a request that the service answers only once its work
        // is done, such as an SMS handed to the gateway: far longer than the
        // SMS page waits, so that a late answer still comes.
        int slowHeaderDeadline = 45000;
    };

    explicit RestRequest(QObject *parent = nullptr);
    ~RestRequest() override;

    void setUsername(const QString &username) { m_username = username; }
    void setPassword(const QString &password) { m_password = password; }
    // Not owned; null until set.
    void setUrls(const WebserviceUrls *urls) { m_urls = urls; }
    // Not owned; its id is read at every send. Without a store the "osid"
    // header goes out empty.
    void setInstallationIdStore(const InstallationIdStore *store) { m_installationIdStore = store; }
    void setTransferTimeout(int milliseconds) { m_transferTimeout = milliseconds; }
    void setLimits(const Limits &limits) { m_limits = limits; }
    const Limits &limits() const { return m_limits; }

    // "<base>/<user>?username=<user>&password=<password>"
    QUrl userUrl(const QString &base) const;
    // "<base>/<user>/<key>?username=<user>&password=<password>"
    QUrl userKeyUrl(const QString &base, const QString &key) const;

    // Starts one request and returns its identity, which replyId() gives
    // while its reply ends. The body is sent with POST and PUT only; mode is
    // handed back to the parser with the reply. An unknown method code, or a
    // body that cannot be written as JSON, sends nothing and returns 0.
    virtual quint64 send(const QUrl &url, int method, const RestObj *body, int mode = 0);
    // Aborts every request in flight; each then fails as usual.
    void abortAll();
    // Aborts the POST, PUT and DELETE requests in flight; their replies,
    // complete or not, reach no parser and no signal.
    void abandonWrites();

signals:
    // Body and HTTP status of a reply without error.
    void finishedRequest(const QByteArray &body, int status);
    // Every POST, PUT and DELETE ends in this once, after the other signals
    // of its reply: ok, or failed (network or HTTP error, a body that could
    // not be written, an answer that is not a success or that carries the
    // service's refusal, whose text is given). Abandoned ones end in nothing.
    void writeFinished(bool ok, const QString &errorMessage);
    // The message is always empty; the detail is in the trace log.
    void requestError(const QString &message = QString());
    // A GET whose answer never reached the parser (network or HTTP error,
    // given up, a redirect) ends in this too, with the mode it was sent with.
    void readFailed(int mode);
    void proxyConnectionError(const QString &message = QString());

public slots:
    virtual void onFinishRequest(QNetworkReply *reply);
    // The subclass's parser.
    virtual void onFinish(const QByteArray &body, int status);

protected:
    // Whether the answer to a request sent with this mode is a list.
    virtual bool expectsList(int mode) const;
    // Whether the service answers only once it has done what was asked.
    virtual bool answersSlowly() const;

    const WebserviceUrls *urls() const { return m_urls; }
    const QString &username() const { return m_username; }
    const QString &password() const { return m_password; }

    // Method, mode and identity of the request whose reply is being handled;
    // valid inside onFinish() and while the signals of its end are emitted
    // (the identity is 0 for a request that never went out).
    int replyMethod() const { return m_current.method; }
    int replyMode() const { return m_current.mode; }
    quint64 replyId() const { return m_current.id; }
    // Inside onFinish(): the answer carries the service's refusal.
    void setReplyRefused(const QString &errorMessage) { m_current.refusal = errorMessage; }

    // A URL value percent-encoded, so that "&", "#", "+" or "/" arrive as
    // they are; unreserved characters stay as they are.
    static QString encoded(const QString &value);
    // The body as UTF-8 text, up to the first zero byte.
    static QString bodyText(const QByteArray &body);
    // The JSON value of the body; an empty body does not parse, nor does a
    // list answer with far more values than its records may have. Valid
    // inside onFinish() only.
    QVariant parseBody(const QByteArray &body, bool &ok) const;
    // The body as it may be traced: an id of its text (Trace::tag) and its size.
    static QString traceableBody(const QByteArray &body);
    // The value as it may be traced, at any depth: keys as they are, the
    // service's own words as they are, passwords masked, every other text or
    // number as its id.
    static QVariant traceableValue(const QVariant &value);
    static bool isSuccess(int status) { return status >= 200 && status <= 299; }

    // The records of a list answer, made only of the objects that usable()
    // accepts and no more than the limit allows. False when the value is not
    // an array, or when it holds nothing usable although it is not empty, so
    // that a broken answer never replaces what the caller holds.
    template<class Record, class Usable>
    bool readList(const QVariant &value, QList<Record> &records, Usable usable) const
    {
        if (value.typeId() != QMetaType::QVariantList)
            return false;
        const QVariantList items = value.toList();
        records.clear();
        qsizetype dropped = 0;
        for (const QVariant &item : items) {
            if (item.typeId() != QMetaType::QVariantMap || !usable(item.toMap()) || !fitsFieldLength(item)) {
                ++dropped;
                continue;
            }
            if (records.size() == m_limits.listRecords) {
                traceListCut(records.size());
                break;
            }
            records.append(Record(item));
        }
        if (dropped > 0)
            traceDropped(dropped);
        return records.size() > 0 || items.isEmpty();
    }
    // Whether no text anywhere in the value is longer than the limit.
    bool fitsFieldLength(const QVariant &value) const;
    // Whether any of the keys holds something other than an empty value.
    static bool hasAny(const QVariantMap &map, std::initializer_list<const char *> keys);

private slots:
    void onFinallyFinish(const QByteArray &body, int status);

private:
    struct Sent
    {
        int method = -1;
        int mode = 0;
        quint64 id = 0;
        bool abandoned = false;
        QString refusal;
        // Why the answer was given up; empty while it is awaited.
        QString givenUp;
    };

    static bool isWrite(int method) { return method == Post || method == Put || method == Delete; }
    void endReply(QNetworkReply *reply);
    // Ends a reply that went beyond its limits; it then fails as an error.
    void giveUp(QNetworkReply *reply, const QString &reason);
    static void traceListCut(qsizetype kept);
    static void traceDropped(qsizetype dropped);
    // Qt's error text names the whole URL, credentials included.
    QString traceableErrorText(const QNetworkReply *reply) const;
    // Without credentials, and with ids for the keys of the address book.
    QString traceableUrl(const QUrl &url) const;

    QNetworkAccessManager *m_manager = nullptr;
    QHash<QNetworkReply *, Sent> m_sent;
    Sent m_current;
    quint64 m_lastId = 0;
    QString m_username;
    QString m_password;
    const WebserviceUrls *m_urls = nullptr;
    const InstallationIdStore *m_installationIdStore = nullptr;
    int m_transferTimeout = DefaultTransferTimeout;
    Limits m_limits;
};

#endif // REST_RESTREQUEST_H
