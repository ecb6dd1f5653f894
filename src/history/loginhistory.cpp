#include "loginhistory.h"

#include "settings/dbstore.h"
#include "util/trace.h"

#include <QSqlError>
#include <QSqlQuery>

LoginHistory::LoginHistory(QObject *parent)
    : QObject(parent)
{ }

LoginHistory::~LoginHistory() = default;

void LoginHistory::add(const QVariant &name)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("insert or replace into last_login (name) values (:value)"));
    query.bindValue(QStringLiteral(":value"), name);
    if (!query.exec()) {
        TRACE_WARNING << "Could not remember the login name:" << query.lastError().text();
        DbStore::noteFailure(query.lastError());
    }
}

void LoginHistory::addIfNew(const QString &name)
{
    if (!names().contains(name))
        add(name);
}

QVariantList LoginHistory::load() const
{
    QVariantList result;
    QSqlQuery query;
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("select name from last_login"))) {
        TRACE_WARNING << "Could not read the login names:" << query.lastError().text();
        return result;
    }
    while (query.next())
        result.append(query.value(0));
    return result;
}

QStringList LoginHistory::names() const
{
    QStringList result;
    const QVariantList stored = load();
    for (const QVariant &name : stored)
        result.append(name.toString());
    return result;
}

void LoginHistory::clear()
{
    QSqlQuery query;
    if (!query.exec(QStringLiteral("delete from last_login")))
        TRACE_WARNING << "Could not clear the login names:" << query.lastError().text();
}
