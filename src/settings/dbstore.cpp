#include "dbstore.h"

#include "util/trace.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

namespace {

const QString kSchemaResource = QStringLiteral(":/sql/dravo_dialer.sql");

// The database holds passwords: only the user may read it.
constexpr QFile::Permissions kFolderPermissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions kFilePermissions = QFile::ReadOwner | QFile::WriteOwner;

QString defaultConnectionName()
{
    return QString::fromLatin1(QSqlDatabase::defaultConnection);
}

QString dataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

// Qt binds a bool as 1; the tables keep "true" and "false" like their seeds.
QVariant storedForm(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return value;
}

void warnFailure(const QString &table, const QString &key, const QSqlQuery &query)
{
    TRACE_WARNING << "Assert will fail for table:" << table << "and key:" << key << query.lastError().text();
}

} // namespace

DbStore::DbStore(QObject *parent)
    : QObject(parent)
    , m_openCount(0)
    , m_loaded(false)
    , m_closed(false)
{ }

DbStore::~DbStore() = default;

void DbStore::loadDatabases()
{
    TRACE << "called load databases" << m_openCount;
    if (m_loaded) {
        ++m_openCount;
        return;
    }

    TRACE << "loading databases...";
    const QString folder = dataFolder();
    if (!QDir().mkpath(folder))
        TRACE_ERROR << "Could not create the data folder" << folder;
    QFile::setPermissions(folder, kFolderPermissions);
    const QString path = databasePath();
    TRACE << path;

    if (!openConnection(path))
        return;
    QFile schema(kSchemaResource);
    if (!schema.open(QIODevice::ReadOnly)) {
        TRACE_ERROR << "Could not read the database schema" << schema.errorString();
        return;
    }
    runSchema(QString::fromUtf8(schema.readAll()));
    schema.close();

    m_loaded = true;
    m_closed = false;
    ++m_openCount;
}

void DbStore::closeDatabases()
{
    TRACE << "called close databases" << m_openCount;
    if (!m_closed && m_openCount == 1) {
        TRACE << "closing databases...";
        {
            QSqlDatabase db = QSqlDatabase::database(defaultConnectionName(), false);
            db.close();
        }
        QSqlDatabase::removeDatabase(defaultConnectionName());
        m_loaded = false;
        m_closed = true;
    }
    // An unmatched close must not leave the count below zero, or the next
    // load could never be closed again.
    if (m_openCount > 0)
        --m_openCount;
}

QString DbStore::databaseFileName() const
{
    return QStringLiteral("data.px");
}

QString DbStore::databasePath() const
{
    return QDir(dataFolder()).filePath(databaseFileName());
}

QStringList DbStore::knownTables()
{
    return {QStringLiteral("settings"), QStringLiteral("number_history"), QStringLiteral("call_history"),
            QStringLiteral("last_login")};
}

void DbStore::setValue(const QString &table, const QString &key, const QVariant &value)
{
    if (!isKnownTable(table, key))
        return;
    QSqlQuery query;
    if (!query.prepare(
            QStringLiteral("insert or replace into %1 (name, value) values (:key, :value)").arg(table)))
        warnFailure(table, key, query);
    query.bindValue(QStringLiteral(":key"), key);
    query.bindValue(QStringLiteral(":value"), storedForm(value));
    if (!query.exec())
        warnFailure(table, key, query);
}

QVariant DbStore::value(const QString &table, const QString &key, const QVariant &defaultValue) const
{
    if (!isKnownTable(table, key))
        return defaultValue;
    QSqlQuery query;
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("select value from %1 where name = :key").arg(table)))
        warnFailure(table, key, query);
    query.bindValue(QStringLiteral(":key"), key);
    if (!query.exec()) {
        warnFailure(table, key, query);
        return defaultValue;
    }
    return query.next() ? query.value(0) : defaultValue;
}

void DbStore::removeValue(const QString &table, const QString &key)
{
    if (!isKnownTable(table, key))
        return;
    QSqlQuery query;
    if (!query.prepare(QStringLiteral("delete from %1 where name = :key").arg(table)))
        warnFailure(table, key, query);
    query.bindValue(QStringLiteral(":key"), key);
    if (!query.exec())
        warnFailure(table, key, query);
}

bool DbStore::openConnection(const QString &path)
{
    // Create the file owner-only before SQLite creates it with the umask; its
    // journal files take the same permissions.
    QFile file(path);
    if (!file.exists() && file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kFilePermissions))
        file.close();
    QFile::setPermissions(path, kFilePermissions);

    QSqlDatabase db = QSqlDatabase::contains(defaultConnectionName())
        ? QSqlDatabase::database(defaultConnectionName(), false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    if (db.isOpen())
        db.close();
    db.setDatabaseName(path);
    if (!db.open()) {
        TRACE_ERROR << "Could not open the database" << path << db.lastError().text();
        return false;
    }

    // A volume slider writes a setting per step: with a write-ahead log and
    // normal syncing a write does not wait for the disk; a power cut can lose
    // the last writes but never corrupts the file.
    QSqlQuery pragma(db);
    for (const QString &statement :
         {QStringLiteral("pragma journal_mode = wal"), QStringLiteral("pragma synchronous = normal")}) {
        if (!pragma.exec(statement))
            TRACE_WARNING << statement << pragma.lastError().text();
    }
    return true;
}

void DbStore::runSchema(const QString &schema)
{
    QSqlQuery query;
    const QStringList pieces = schema.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &piece : pieces) {
        const QString statement = piece.trimmed();
        if (statement.isEmpty())
            continue;
        if (!query.prepare(statement) || !query.exec())
            TRACE_ERROR << "Schema statement failed:" << statement << query.lastError().text();
    }
}

bool DbStore::isKnownTable(const QString &table, const QString &key) const
{
    if (knownTables().contains(table))
        return true;
    TRACE_WARNING << "Refused unknown table:" << table << "for key:" << key;
    return false;
}
