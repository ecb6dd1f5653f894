#include "googlestandin.h"

#include <QCoreApplication>
#include <QJsonDocument>

namespace {

const QString kSignInPath = QStringLiteral("/accounts/ClientLogin");
const QString kFeedPath = QStringLiteral("/m8/feeds/contacts/default/full");
const QByteArray kFormType = QByteArrayLiteral("application/x-www-form-urlencoded;charset=\"utf-8\"");

QJsonObject textValue(const QString &text)
{
    return QJsonObject {{QStringLiteral("$t"), text}};
}

} // namespace

GoogleStandIn::GoogleStandIn(QObject *parent)
    : ProviderStandIn(parent)
{ }

void GoogleStandIn::setAccount(const QString &email, const QString &password)
{
    m_email = email;
    m_password = password;
}

QJsonObject GoogleStandIn::entry(const QString &givenName, const QString &familyName,
                                 const QStringList &emails, const QStringList &phones)
{
    QJsonObject entry {{QStringLiteral("id"), QJsonObject {{QStringLiteral("$t"), QStringLiteral("urn:1")}}}};
    QJsonObject name;
    if (!givenName.isEmpty())
        name.insert(QStringLiteral("gd$givenName"), textValue(givenName));
    if (!familyName.isEmpty())
        name.insert(QStringLiteral("gd$familyName"), textValue(familyName));
    if (!name.isEmpty())
        entry.insert(QStringLiteral("gd$name"), name);
    QJsonArray emailArray;
    for (const QString &email : emails)
        emailArray.append(
            QJsonObject {{QStringLiteral("address"), email},
                         {QStringLiteral("rel"), QStringLiteral("http://schemas.google.com/g/2005#home")}});
    if (!emailArray.isEmpty())
        entry.insert(QStringLiteral("gd$email"), emailArray);
    QJsonArray phoneArray;
    for (const QString &phone : phones)
        phoneArray.append(
            QJsonObject {{QStringLiteral("$t"), phone},
                         {QStringLiteral("rel"), QStringLiteral("http://schemas.google.com/g/2005#mobile")}});
    if (!phoneArray.isEmpty())
        entry.insert(QStringLiteral("gd$phoneNumber"), phoneArray);
    return entry;
}

GoogleEndpoints GoogleStandIn::endpoints() const
{
    GoogleEndpoints endpoints;
    endpoints.signIn = QUrl(origin() + kSignInPath);
    endpoints.contacts = QUrl(origin() + kFeedPath + QStringLiteral("?max-results=50000"));
    endpoints.credentialHosts = QStringList {host()};
    return endpoints;
}

ProviderStandIn::Answer GoogleStandIn::answer(const Request &request)
{
    if (request.path == kSignInPath)
        return signIn(request);
    if (request.path == kFeedPath)
        return feed(request);
    return text(404, "Not Found");
}

ProviderStandIn::Answer GoogleStandIn::signIn(const Request &request)
{
    if (request.method != "POST")
        return problem(QStringLiteral("sign-in is not a POST"));
    const QList<QPair<QByteArray, QByteArray>> expected = {
        {"Accept", "text/json;charset=\"utf-8\""},
        {"Content-Type", kFormType},
        {"User-Agent", "GData-C++/1.0"},
        {"GData-Version", "3.0"},
    };
    for (const auto &header : expected) {
        if (request.header(header.first) != header.second)
            return problem(QStringLiteral("sign-in header %1: %2")
                               .arg(QString::fromLatin1(header.first),
                                    QString::fromLatin1(request.header(header.first))));
    }
    // A form body carries no raw blank: values are encoded.
    if (request.body.contains(' '))
        return problem(QStringLiteral("sign-in body not encoded"));
    QStringList keys;
    for (const auto &field : request.formFields())
        keys << field.first;
    if (keys != QStringList {"Email", "Passwd", "accountType", "source", "service"})
        return problem(QStringLiteral("sign-in fields: ") + keys.join(QLatin1Char(',')));
    if (request.formValue(QStringLiteral("accountType")) != QLatin1String("HOSTED_OR_GOOGLE")
        || request.formValue(QStringLiteral("service")) != QLatin1String("cp")
        || request.formValue(QStringLiteral("source")) != QCoreApplication::applicationName())
        return problem(QStringLiteral("sign-in values"));

    if (request.formValue(QStringLiteral("Email")) != m_email
        || request.formValue(QStringLiteral("Passwd")) != m_password)
        return text(403, "Error=BadAuthentication\n");
    return text(200, "SID=sid-1\r\nLSID=lsid-1\r\nAuth=" + Token + "\r\n");
}

ProviderStandIn::Answer GoogleStandIn::feed(const Request &request)
{
    if (request.method != "GET" || request.query != "max-results=50000&alt=json")
        return problem(QStringLiteral("feed query: ") + QString::fromLatin1(request.query));
    if (request.header("User-Agent") != "GData-C++/1.0" || request.header("GData-Version") != "3.0")
        return problem(QStringLiteral("feed headers"));
    if (request.header("Authorization") != "GoogleLogin auth=" + Token)
        return text(401, "<HTML><BODY>Token invalid</BODY></HTML>", "text/html; charset=UTF-8");
    const QJsonObject document {
        {QStringLiteral("version"), QStringLiteral("1.0")},
        {QStringLiteral("encoding"), QStringLiteral("UTF-8")},
        {QStringLiteral("feed"), QJsonObject {{QStringLiteral("entry"), m_entries}}},
    };
    return text(200, QJsonDocument(document).toJson(QJsonDocument::Compact),
                "application/json; charset=UTF-8");
}
