#include "importcontacts/contactimporter.h"

#include "util/cappedreply.h"
#include "util/trace.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <algorithm>

ContactImporter::ContactImporter(QObject *parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
{
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(DefaultDeadline);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        if (m_reply) {
            TRACE << "No answer within" << m_deadline.interval() << "ms";
            m_deadlinePassed = true;
            m_reply->abort();
        }
    });
}

ContactImporter::~ContactImporter()
{
    // Before the manager, which owns the reply, goes.
    releaseReply();
}

QList<ImportContact> ContactImporter::sortedContactList()
{
    if (m_sortedContactList.isEmpty()) {
        m_sortedContactList = m_contactList;
        std::stable_sort(m_sortedContactList.begin(), m_sortedContactList.end());
    }
    return m_sortedContactList;
}

void ContactImporter::debugContactList() const
{
    TRACE << "   Contact list size: " << m_contactList.size();
    for (const ImportContact &contact : m_contactList)
        TRACE << contact;
}

void ContactImporter::debugSortedContactList() const
{
    TRACE << "   Contact list size: " << m_sortedContactList.size();
    for (const ImportContact &contact : m_sortedContactList)
        TRACE << contact;
}

void ContactImporter::setTimeouts(int inactivityMs, int deadlineMs)
{
    m_inactivityTimeout = inactivityMs;
    m_deadline.setInterval(deadlineMs);
}

void ContactImporter::beginChain()
{
    releaseReply();
    clearContacts();
    m_running = true;
    m_failure = Failure::None;
    m_failureStatus = 0;
}

bool ContactImporter::mayPostTo(const QUrl &url) const
{
    return url.scheme() == QLatin1String("https")
        && m_credentialHosts.contains(url.host(), Qt::CaseInsensitive);
}

QNetworkReply *ContactImporter::get(QNetworkRequest request, qint64 bodyLimit)
{
    return send(std::move(request), QByteArrayLiteral("GET"), QByteArray(), bodyLimit);
}

QNetworkReply *ContactImporter::post(QNetworkRequest request, const QByteArray &body)
{
    if (!mayPostTo(request.url())) {
        TRACE_WARNING << "Not posting to" << request.url().host() << "over" << request.url().scheme()
                      << ": not one of the provider's hosts";
        releaseReply();
        endWithNetworkError(Failure::Unsafe);
        return nullptr;
    }
    return send(std::move(request), QByteArrayLiteral("POST"), body, PageLimit);
}

QNetworkReply *ContactImporter::send(QNetworkRequest request, const QByteArray &verb, const QByteArray &body,
                                     qint64 bodyLimit)
{
    releaseReply();
    if (request.url().scheme() != QLatin1String("https")) {
        TRACE_WARNING << "Not sending a request over" << request.url().scheme();
        endWithNetworkError(Failure::Unsafe);
        return nullptr;
    }
    // The chains read redirects themselves.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(m_inactivityTimeout);
    QNetworkReply *const reply = verb == "POST" ? m_manager->post(request, body) : m_manager->get(request);
    m_reply = reply;
    CappedReply::cap(reply, bodyLimit);
    m_deadlinePassed = false;
    m_deadline.start();
    return reply;
}

QNetworkReply *ContactImporter::finishedReply()
{
    auto *const reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply || reply != m_reply || !m_running) {
        TRACE << "Ignoring the reply of a dropped request";
        return nullptr;
    }
    // All of a body over the limit may be in before the abort.
    if (CappedReply::exceeded(reply)) {
        TRACE_WARNING << "Reply larger than" << CappedReply::limit(reply) << "bytes";
        endWithNetworkError(Failure::Unreadable);
        return nullptr;
    }
    return reply;
}

void ContactImporter::releaseReply()
{
    m_deadline.stop();
    if (!m_reply)
        return;
    QNetworkReply *const reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void ContactImporter::end()
{
    m_deadline.stop();
    m_running = false;
}

void ContactImporter::endWithNetworkError(Failure failure)
{
    if (!m_running)
        return;
    end();
    m_failure = failure;
    TRACE << "Import failed:" << failure;
    emit networkError();
}

void ContactImporter::endWithReplyError(QNetworkReply *reply)
{
    const int status = reply ? reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() : 0;
    if (status == 401 || status == 403) {
        endWithNetworkError(Failure::SignInRefused);
        return;
    }
    if (status >= 400) {
        m_failureStatus = status;
        endWithNetworkError(Failure::ProviderError);
        return;
    }
    // No answer, or one cut short. Nothing else aborts a reply of the chain
    // that is still handled: the transfer's inactivity time-out, or the
    // deadline.
    const QNetworkReply::NetworkError error = reply ? reply->error() : QNetworkReply::NoError;
    const bool late = m_deadlinePassed || error == QNetworkReply::OperationCanceledError
        || error == QNetworkReply::TimeoutError;
    endWithNetworkError(late ? Failure::TimedOut : Failure::NoConnection);
}

void ContactImporter::endWithLoginError()
{
    if (!m_running)
        return;
    end();
    emit errorLoggingIn();
}

void ContactImporter::endFinished()
{
    if (!m_running)
        return;
    end();
    emit progressUpdate(100);
    emit finished();
}

void ContactImporter::clearContacts()
{
    m_contactList.clear();
    m_sortedContactList.clear();
}
