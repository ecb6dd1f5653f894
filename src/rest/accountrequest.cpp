#include "rest/accountrequest.h"

#include "settings/webserviceurls.h"
#include "util/machineidentifier.h"
#include "util/trace.h"

#include <QCryptographicHash>

AccountRequest::AccountRequest(QObject *parent)
    : RestRequest(parent)
{ }

QString AccountRequest::baseUrl() const
{
    return urls() ? urls()->accountServiceBaseURL() : QString();
}

QUrl AccountRequest::accountUrl(const QString &base, const QString &appid) const
{
    const QString user = encoded(username());
    return QUrl(base
                + QStringLiteral("/%1?username=%1&password=%2&appid=%3")
                      .arg(user, encoded(password()), encoded(appid)));
}

QString AccountRequest::appid()
{
    const QByteArray digest
        = QCryptographicHash::hash(machineIdentifier().toLatin1(), QCryptographicHash::Md5);
    return QString::fromLatin1(digest.toHex());
}

void AccountRequest::getAccount()
{
    send(accountUrl(baseUrl(), appid()), Get, nullptr, ReadMode);
}

void AccountRequest::createAccount(const Account &account)
{
    send(QUrl(baseUrl()), Put, &account, CreateMode);
}

void AccountRequest::onFinish(const QByteArray &body, int)
{
    const bool createMode = replyMode() == CreateMode;
    bool ok = false;
    const QVariant value = parseBody(body, ok);
    if (!ok) {
        TRACE << "Can not parse json: " << traceableBody(body);
        emit requestError();
        return;
    }

    QVariant record = value;
    const QVariantList items = value.typeId() == QMetaType::QVariantList ? value.toList() : QVariantList();
    if (!items.isEmpty())
        record = items.first();
    else
        TRACE << traceableValue(value);

    const Account account(record);
    if (createMode)
        emit accountCreated(account);
    else
        emit finished(account);
}
