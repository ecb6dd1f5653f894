#ifndef PROVIDERSTANDIN_H
#define PROVIDERSTANDIN_H

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>

class QHttpServerRequest;
class QHttpServerResponder;
class QTcpSocket;

// A web-mail provider's service on 127.0.0.1, over TLS with the test run's
// certificate authority. It records every request, checks what it is sent
// the way the provider would (a request it finds wrong is answered 400 and
// noted in problems()), and can be made slow or told how to answer the next
// request for a path.
class ProviderStandIn : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ProviderStandIn)

public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    struct Request
    {
        QByteArray method;
        QString path; // decoded
        QByteArray query; // as sent
        Headers headers; // in the order sent
        QByteArray body;

        // Names compare case-insensitively; null when absent.
        QByteArray header(const QByteArray &name) const;
        // The pairs of a form-encoded body, decoded ("+" is a blank), in order.
        QList<QPair<QString, QString>> formFields() const;
        QString formValue(const QString &key) const;
    };

    struct Answer
    {
        int status = 200;
        Headers headers;
        QByteArray body;
        // Headers that promise a body, then the end of the connection.
        bool drop = false;
    };

    explicit ProviderStandIn(QObject *parent = nullptr);
    ~ProviderStandIn() override;

    // On a free port; false when TLS or the port could not be set up.
    bool listen();
    // "https://127.0.0.1:<port>"
    QString origin() const;
    QString host() const { return QStringLiteral("127.0.0.1"); }

    QList<Request> requests() const { return m_requests; }
    // "METHOD /path" of each request, in order.
    QStringList requestLines() const;
    QStringList problems() const { return m_problems; }

    // Every answer leaves this much later: a slow provider.
    void setAnswerDelay(int milliseconds) { m_delay = milliseconds; }
    // Answers whose time has not come yet.
    int pendingAnswers() const { return int(m_pending.size()); }
    // The next request for the path gets this answer instead of its own.
    void answerNext(const QString &path, const Answer &answer);

    static Answer text(int status, const QByteArray &body,
                       const QByteArray &contentType = QByteArrayLiteral("text/plain; charset=utf-8"));
    static Answer html(const QByteArray &body);
    static Answer redirect(const QByteArray &location, const Headers &extra = {});
    static Answer dropped();

protected:
    virtual Answer answer(const Request &request) = 0;
    // Notes what is wrong with a request and answers it 400.
    Answer problem(const QString &what);

private:
    class Server;

    void handle(const QHttpServerRequest &httpRequest, QTcpSocket *socket, QHttpServerResponder &&responder);
    void send(quint64 serial);

    struct Pending
    {
        QPointer<QTcpSocket> socket;
        std::unique_ptr<QHttpServerResponder> responder;
        Answer answer;
    };

    Server *m_server = nullptr;
    quint16 m_port = 0;
    int m_delay = 0;
    quint64 m_nextSerial = 1;
    QList<Request> m_requests;
    QStringList m_problems;
    QMap<QString, QList<Answer>> m_next;
    std::map<quint64, Pending> m_pending;
};

#endif // PROVIDERSTANDIN_H
