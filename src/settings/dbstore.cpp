#include "dbstore.h"

#include "util/diskspace.h"
#include "util/trace.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>

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

// The store whose connection is open; the histories report through it.
QPointer<DbStore> s_activeStore;

// SQLite's primary result codes that concern the file itself.
enum SqliteCode {
    Perm = 3,
    Busy = 5,
    ReadOnly = 8,
    IoError = 10,
    Corrupt = 11,
    Full = 13,
    CantOpen = 14,
    NotADatabase = 26,
};

int sqliteCode(const QSqlError &error)
{
    // Qt passes SQLite's code on as text; extended codes keep it in the low byte.
    return error.nativeErrorCode().toInt() & 0xff;
}

// Less than this free on the disk makes a failed write one for want of space.
constexpr qint64 kNearlyFull = 1024 * 1024;

bool isDamage(int code)
{
    return code == Corrupt || code == NotADatabase;
}

// What a failure says about the file, for the user; empty when it is about
// something else (a refused row, a connection that never opened).
QString fileCause(const QSqlError &error)
{
    switch (sqliteCode(error)) {
    case Perm:
    case CantOpen:
        return DbStore::tr("the file cannot be opened");
    case Busy:
        return DbStore::tr("another program holds it locked");
    case ReadOnly:
        return DbStore::tr("the file is read-only");
    case IoError:
        return DbStore::tr("the disk reported a read or write error");
    case Corrupt:
        return DbStore::tr("its contents are corrupt");
    case Full:
        return DbStore::tr("the disk is full");
    case NotADatabase:
        return DbStore::tr("it is not a database");
    default:
        return QString();
    }
}

// Why no file can be made in folder, as far as the file system tells; empty
// when the folder looks fine.
QString folderCause(const QString &folder)
{
    QFileInfo existing(folder);
    while (!existing.exists() && existing.filePath() != existing.path())
        existing = QFileInfo(existing.path());
    if (existing.exists() && !existing.isDir())
        return DbStore::tr("\"%1\" is not a folder").arg(QDir::toNativeSeparators(existing.filePath()));
    if (!existing.isWritable())
        return DbStore::tr("the folder \"%1\" is not writable")
            .arg(QDir::toNativeSeparators(existing.filePath()));
    return QString();
}

// Owner-only from the start, before SQLite creates it with the umask; its
// journal files take the same permissions.
void createFile(const QString &path)
{
    QFile file(path);
    if (!file.exists() && file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kFilePermissions))
        file.close();
    QFile::setPermissions(path, kFilePermissions);
}

// Why a file could not be opened: its folder first, then what SQLite says.
QString openFailureCause(const QString &path, const QSqlError &error, const QString &fileCause)
{
    QString cause = folderCause(QFileInfo(path).path());
    if (cause.isEmpty())
        cause = fileCause;
    return cause.isEmpty() ? error.text() : cause;
}

// Whether the folder may receive new files (the journal's among them).
bool isWritableFolder(const QString &folder)
{
    return QFileInfo(folder).isWritable();
}

QString nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

void warnFailure(const QString &table, const QString &key, const QSqlQuery &query)
{
    TRACE_WARNING << "Assert will fail for table:" << table << "and key:" << key << query.lastError().text();
}

} // namespace

DbStore::DbStore(QObject *parent)
    : DbStore(QStringLiteral("data.px"), parent)
{ }

DbStore::DbStore(const QString &fileName, QObject *parent)
    : QObject(parent)
    , m_fileName(fileName)
    , m_openCount(0)
    , m_loaded(false)
    , m_closed(false)
{ }

DbStore::~DbStore()
{
    if (s_activeStore == this)
        s_activeStore = nullptr;
}

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

    if (!openSoundFile(path))
        return;
    if (m_readOnly) {
        m_writeFailureReported = true;
        m_loaded = true;
        m_closed = false;
        ++m_openCount;
        return;
    }
    QFile schema(kSchemaResource);
    if (!schema.open(QIODevice::ReadOnly)) {
        TRACE_ERROR << "Could not read the database schema" << schema.errorString();
        return;
    }
    const QString schemaFailure = runSchema(QString::fromUtf8(schema.readAll()));
    schema.close();
    if (!schemaFailure.isEmpty()) {
        reportUnusable(path, schemaFailure);
        m_writeFailureReported = true;
    }

    m_loaded = true;
    m_closed = false;
    ++m_openCount;
}

bool DbStore::openSoundFile(const QString &path)
{
    QString cause;
    m_readOnly = false;
    // A file left empty (a crash or a full disk while it was made) holds
    // nothing, unless its journal does: the user's saved login is gone.
    const QFileInfo info(path);
    const bool empty
        = info.exists() && info.size() == 0 && QFileInfo(path + QStringLiteral("-wal")).size() == 0;
    // Intact but in a folder that cannot be written: read only, so that the
    // remembered login still signs in.
    if (!empty && info.exists() && !isWritableFolder(info.path())) {
        if (openImmutable(path, &cause)) {
            m_readOnly = true;
            reportProblem(tr("The folder of the data file \"%1\" cannot be written. The file is read as it "
                             "is; settings, logins and recent numbers will not be saved in this session.")
                              .arg(nativePath(path)));
            return true;
        }
        reportUnusable(path, cause);
        return false;
    }
    FileState state = FileState::Sound;
    if (empty) {
        state = FileState::Damaged;
        cause = tr("it was empty");
        TRACE_ERROR << "The database file is empty" << path;
    } else {
        state = checkFile(path, &cause);
    }
    QString aside;
    if (state == FileState::Unreadable || (state == FileState::Damaged && !moveAside(path, &aside))) {
        reportUnusable(path, cause);
        return false;
    }
    if (state == FileState::Damaged)
        reportProblem(tr("The data file \"%1\" was damaged (%2). It has been kept as \"%3\" and a new one "
                         "was started: saved logins, settings and recent numbers begin afresh.")
                          .arg(nativePath(path), cause, nativePath(aside)));
    if (openConnection(path, &cause))
        return true;
    reportUnusable(path, cause);
    return false;
}

void DbStore::closeDatabases()
{
    TRACE << "called close databases" << m_openCount;
    if (!m_closed && m_openCount == 1) {
        TRACE << "closing databases...";
        // Emptied first, in case the close itself fails.
        if (!m_readOnly)
            checkpoint();
        closeConnection();
        m_readOnly = false;
        m_loaded = false;
        m_closed = true;
    }
    // An unmatched close must not leave the count below zero, or the next
    // load could never be closed again.
    if (m_openCount > 0)
        --m_openCount;
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
    if (!query.exec()) {
        warnFailure(table, key, query);
        noteWriteFailure(query.lastError());
    }
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
    if (!query.exec()) {
        warnFailure(table, key, query);
        noteWriteFailure(query.lastError());
    }
}

bool DbStore::openConnection(const QString &path, QString *cause)
{
    createFile(path);
    QSqlDatabase db = QSqlDatabase::contains(defaultConnectionName())
        ? QSqlDatabase::database(defaultConnectionName(), false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    if (db.isOpen())
        db.close();
    db.setConnectOptions(QString());
    db.setDatabaseName(path);
    if (!db.open()) {
        TRACE_ERROR << "Could not open the database" << path << db.lastError().text();
        *cause = openFailureCause(path, db.lastError(), causeOf(db.lastError()));
        return false;
    }
    s_activeStore = this;

    // A volume slider writes a setting per step: with a write-ahead log and
    // normal syncing a write does not wait for the disk; a power cut can lose
    // the last writes but never corrupts the file. Removed rows are
    // overwritten, so that a removed password does not linger in the file.
    QSqlQuery pragma(db);
    for (const QString &statement :
         {QStringLiteral("pragma secure_delete = on"), QStringLiteral("pragma journal_mode = wal"),
          QStringLiteral("pragma synchronous = normal")}) {
        if (!pragma.exec(statement))
            TRACE_WARNING << statement << pragma.lastError().text();
    }
    return true;
}

void DbStore::closeConnection()
{
    {
        QSqlDatabase db = QSqlDatabase::database(defaultConnectionName(), false);
        db.close();
    }
    QSqlDatabase::removeDatabase(defaultConnectionName());
    if (s_activeStore == this)
        s_activeStore = nullptr;
}

DbStore::FileState DbStore::checkFile(const QString &path, QString *cause) const
{
    // On a connection of its own that only reads: a damaged file is kept as
    // found, without its journal merged in at the close.
    const QString connection = QStringLiteral("check");
    FileState state = FileState::Sound;
    createFile(path);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        // Opening reads nothing yet; the check's statement does.
        QSqlQuery query = db.open() ? QSqlQuery(db) : QSqlQuery();
        query.setForwardOnly(true);
        if (!db.isOpen() || !query.exec(QStringLiteral("pragma quick_check"))) {
            const QSqlError error = db.isOpen() ? query.lastError() : db.lastError();
            TRACE_ERROR << "Could not check the database" << path << error.text();
            *cause = openFailureCause(path, error, causeOf(error));
            state = isDamage(sqliteCode(error)) ? FileState::Damaged : FileState::Unreadable;
        } else {
            QStringList findings;
            while (query.next())
                findings << query.value(0).toString();
            if (findings != QStringList {QStringLiteral("ok")}) {
                TRACE_ERROR << "The database is damaged:" << findings;
                *cause = tr("its contents are corrupt");
                state = FileState::Damaged;
            }
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return state;
}

bool DbStore::moveAside(const QString &path, QString *asidePath) const
{
    const QString base = path + QStringLiteral(".damaged-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = base;
    for (int n = 2; QFile::exists(aside); ++n)
        aside = base + QLatin1Char('-') + QString::number(n);
    QFile file(path);
    if (!file.rename(aside)) {
        TRACE_ERROR << "Could not move the damaged database aside:" << file.errorString();
        return false;
    }
    // A journal with pages in it belongs to the copy; an empty one, and the
    // journal's index (rebuilt whenever the file is opened), are left over.
    const QString journal = path + QStringLiteral("-wal");
    if (QFileInfo(journal).size() > 0) {
        if (!QFile::rename(journal, aside + QStringLiteral("-wal")))
            TRACE_ERROR << "Could not move" << journal << "aside";
    } else {
        QFile::remove(journal);
    }
    QFile::remove(path + QStringLiteral("-shm"));
    TRACE_ERROR << "Moved the damaged database aside to" << aside;
    *asidePath = aside;
    return true;
}

QString DbStore::runSchema(const QString &schema)
{
    QString failure;
    QSqlQuery query;
    const QStringList pieces = schema.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &piece : pieces) {
        const QString statement = piece.trimmed();
        if (statement.isEmpty())
            continue;
        if (!query.prepare(statement) || !query.exec()) {
            TRACE_ERROR << "Schema statement failed:" << statement << query.lastError().text();
            if (failure.isEmpty())
                failure = causeOf(query.lastError());
        }
    }
    return failure;
}

bool DbStore::isKnownTable(const QString &table, const QString &key) const
{
    if (knownTables().contains(table))
        return true;
    TRACE_WARNING << "Refused unknown table:" << table << "for key:" << key;
    return false;
}

void DbStore::checkpoint()
{
    QSqlQuery query;
    if (!query.exec(QStringLiteral("pragma wal_checkpoint(truncate)")))
        TRACE_WARNING << "Could not empty the journal:" << query.lastError().text();
    // A reader still in the journal leaves part of it: the result says so.
    else if (query.next() && query.value(0).toInt() != 0)
        TRACE_WARNING << "The journal could not be emptied: busy";
}

QString DbStore::problem() const
{
    return m_problem;
}

void DbStore::noteFailure(const QSqlError &error)
{
    if (s_activeStore)
        s_activeStore->noteWriteFailure(error);
}

void DbStore::reportProblem(const QString &message)
{
    TRACE_ERROR << message;
    m_problem = message;
    emit problemOccurred(message);
}

void DbStore::reportUnusable(const QString &path, const QString &cause)
{
    reportProblem(
        tr("The data file \"%1\" cannot be used: %2. It is left as it is; settings, logins and recent "
           "numbers will not be saved in this session.")
            .arg(nativePath(path), cause));
}

void DbStore::noteWriteFailure(const QSqlError &error)
{
    const QString cause = causeOf(error);
    if (m_writeFailureReported || cause.isEmpty())
        return;
    m_writeFailureReported = true;
    reportProblem(tr("Changes could not be saved to the data file \"%1\": %2. The file is left as it is; "
                     "what you change now may be lost.")
                      .arg(nativePath(databasePath()), cause));
}

QString DbStore::causeOf(const QSqlError &error) const
{
    // SQLite tells a full disk as such only for the file's own pages; its
    // journal and index files fail as a read or write error.
    const int code = sqliteCode(error);
    // A write that fails with little left on the disk is told as a full disk.
    if ((code == IoError || code == Full) && DiskSpace::bytesAvailable(databasePath()) < kNearlyFull)
        return tr("the disk is full");
    return fileCause(error);
}

bool DbStore::openImmutable(const QString &path, QString *cause)
{
    QSqlDatabase db = QSqlDatabase::contains(defaultConnectionName())
        ? QSqlDatabase::database(defaultConnectionName(), false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    if (db.isOpen())
        db.close();
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
    db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)
                       + QStringLiteral("?immutable=1"));
    QSqlQuery check = db.open() ? QSqlQuery(db) : QSqlQuery();
    bool sound = false;
    if (db.isOpen() && check.exec(QStringLiteral("pragma quick_check")) && check.next())
        sound = check.value(0).toString() == QLatin1String("ok");
    if (!sound) {
        const QSqlError error = db.isOpen() ? check.lastError() : db.lastError();
        TRACE_ERROR << "Could not read the database" << path << error.text();
        *cause = isDamage(sqliteCode(error)) || (db.isOpen() && error.type() == QSqlError::NoError)
            ? tr("its contents are corrupt")
            : openFailureCause(path, error, causeOf(error));
        check = QSqlQuery();
        db.close();
        db.setConnectOptions(QString());
        return false;
    }
    s_activeStore = this;
    return true;
}
