#include "history/numberhistory.h"
#include "settings/dbstore.h"
#include "settings/emailvalidator.h"
#include "support/casestore.h"
#include "support/testdisk.h"
#include "support/testenvironment.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

#include <QProcess>

#include <csignal>
#include <memory>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// Reads the file through a connection of its own, as another program would.
QList<QStringList> rowsOf(const QString &path, const QString &statement)
{
    QList<QStringList> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("inspect"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(statement)) {
                while (query.next()) {
                    QStringList row;
                    for (int i = 0; i < query.record().count(); ++i)
                        row << query.value(i).toString();
                    rows << row;
                }
            }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("inspect"));
    return rows;
}

bool defaultConnectionOpen()
{
    return QSqlDatabase::database(QString::fromLatin1(QSqlDatabase::defaultConnection), false).isOpen();
}

const QList<QStringList> kSeeds = {
    {"login.autostart", "true"},
    {"login.auto", "false"},
    {"login.remember", "false"},
    {"login.welcome", "true"},
    {"ui.minimizetotray", "true"},
    {"ui.minimizetotray.hint", "true"},
    {"settings.call.callStartDblClick", "true"},
    {"settings.call.autoAnswerCalls", "false"},
    {"settings.update.autoUpdate", "true"},
    {"settings.hotkeys.placeCall", "Enter"},
    {"settings.hotkeys.cancelCall", "Esc"},
    {"settings.hotkeys.increaseSpeakerVol", "Ctrl+Right"},
    {"settings.hotkeys.decreaseSpeakerVol", "Ctrl+Left"},
    {"settings.hotkeys.increaseMicVol", "Alt+Right"},
    {"settings.hotkeys.decreaseMicVol", "Alt+Left"},
    {"settings.hotkeys.showHideGroups", "Ctrl+H"},
    {"settings.hotkeys.placeCallEnabled", "true"},
    {"settings.hotkeys.cancelCallEnabled", "true"},
    {"settings.hotkeys.increaseSpeakerVolEnabled", "true"},
    {"settings.hotkeys.decreaseSpeakerVolEnabled", "true"},
    {"settings.hotkeys.increaseMicVolEnabled", "true"},
    {"settings.hotkeys.decreaseMicVolEnabled", "true"},
    {"settings.hotkeys.showHideGroupsEnabled", "true"},
};

const QString kSettings = QStringLiteral("settings");

// Files may not grow while it lives: every write fails as it does on a
// full disk.
class NoGrowth
{
public:
    NoGrowth()
    {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit none = m_previous;
        none.rlim_cur = 0;
        ::setrlimit(RLIMIT_FSIZE, &none);
    }
    ~NoGrowth()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    Q_DISABLE_COPY(NoGrowth)

private:
    rlimit m_previous {};
    void (*m_previousHandler)(int) = nullptr;
};

} // namespace

class TestDbStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void freshDatabaseHasTheSchemaAndSeeds();
    void databaseIsOwnerOnly();
    void changedSeedSurvivesAndDeletedSeedReturns();
    void loadsAreCountedAndTheLastCloseCloses();
    void missingValueGivesExactlyTheDefault_data();
    void missingValueGivesExactlyTheDefault();
    void setValueReplacesTheRowAndStoresText();
    void removeValueDeletesTheRow();
    void unknownTableIsRefused();
    void unopenableDatabaseIsTracedAndFallsBack();
    void failingSchemaStatementIsTracedAndSkipped();
    void damagedFileIsKeptAsideAndReplaced_data();
    void damagedFileIsKeptAsideAndReplaced();
    void fullDiskIsReportedOnceAndTheFileKept_data();
    void fullDiskIsReportedOnceAndTheFileKept();
    void startWithAFileThatCannotBeUsedAsItIs_data();
    void startWithAFileThatCannotBeUsedAsItIs();

    void emailAddresses_data();
    void emailAddresses();

private:
    void newStore(const QString &fileName = QString());
    QString path() const { return m_store->databasePath(); }

    std::unique_ptr<CaseStore> m_store;
    int m_case = 0;
};

void TestDbStore::newStore(const QString &fileName)
{
    m_store = std::make_unique<CaseStore>(fileName.isEmpty() ? QStringLiteral("case%1.px").arg(m_case)
                                                             : fileName);
}

void TestDbStore::init()
{
    ++m_case;
    newStore();
}

void TestDbStore::cleanup()
{
    if (m_store) {
        while (defaultConnectionOpen())
            m_store->closeDatabases();
    }
    m_store.reset();
}

void TestDbStore::freshDatabaseHasTheSchemaAndSeeds()
{
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)).removeRecursively();
    m_store->loadDatabases();
    QVERIFY(defaultConnectionOpen());
    QVERIFY(QFileInfo(path()).isFile());

    const QList<QStringList> tables
        = rowsOf(path(), QStringLiteral("select name from sqlite_master where type = 'table' order by name"));
    QCOMPARE(tables,
             (QList<QStringList> {{"call_history"}, {"last_login"}, {"number_history"}, {"settings"}}));

    QCOMPARE(rowsOf(path(), QStringLiteral("select name, value from settings order by rowid")), kSeeds);
    for (const char *table : {"number_history", "call_history", "last_login"})
        QCOMPARE(rowsOf(path(), QStringLiteral("select count(*) from %1").arg(QLatin1String(table))),
                 (QList<QStringList> {{"0"}}));

    // Primary keys as the histories rely on them.
    const auto keyColumns = [this](const QString &table) {
        QStringList keys;
        for (const QStringList &column : rowsOf(path(), QStringLiteral("pragma table_info(%1)").arg(table)))
            if (column.at(5) != QLatin1String("0"))
                keys << column.at(1);
        return keys;
    };
    QCOMPARE(keyColumns(QStringLiteral("settings")), QStringList {"name"});
    QCOMPARE(keyColumns(QStringLiteral("number_history")), QStringList {"phone_number"});
    QCOMPARE(keyColumns(QStringLiteral("call_history")), QStringList {"timestamp"});
    QCOMPARE(keyColumns(QStringLiteral("last_login")), QStringList {"name"});
}

void TestDbStore::databaseIsOwnerOnly()
{
    m_store->loadDatabases();
    m_store->setValue(kSettings, QStringLiteral("login.pass"), QStringLiteral("secret"));

    const QFileInfo folder(QFileInfo(path()).path());
    QCOMPARE(folder.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QStringList files = QDir(folder.filePath()).entryList({QFileInfo(path()).fileName() + '*'});
    QVERIFY(files.size() >= 2); // the file and its write-ahead log
    for (const QString &name : files) {
        const QFile::Permissions others
            = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        QVERIFY2(!(QFileInfo(folder.filePath() + '/' + name).permissions() & others), qPrintable(name));
    }
}

void TestDbStore::changedSeedSurvivesAndDeletedSeedReturns()
{
    m_store->loadDatabases();
    m_store->setValue(kSettings, QStringLiteral("settings.hotkeys.placeCall"), QStringLiteral("F5"));
    m_store->removeValue(kSettings, QStringLiteral("ui.minimizetotray"));
    QCOMPARE(rowsOf(path(), QStringLiteral("select count(*) from settings")), (QList<QStringList> {{"22"}}));
    m_store->closeDatabases();
    QVERIFY(!defaultConnectionOpen());

    newStore(QFileInfo(path()).fileName());
    m_store->loadDatabases();
    QCOMPARE(m_store->value(kSettings, QStringLiteral("settings.hotkeys.placeCall")), QVariant("F5"));
    QCOMPARE(m_store->value(kSettings, QStringLiteral("ui.minimizetotray")), QVariant("true"));
    QCOMPARE(rowsOf(path(), QStringLiteral("select count(*) from settings")), (QList<QStringList> {{"23"}}));
}

void TestDbStore::loadsAreCountedAndTheLastCloseCloses()
{
    m_store->loadDatabases();
    m_store->setValue(kSettings, QStringLiteral("k"), QStringLiteral("v"));
    m_store->loadDatabases();
    // The second load neither reopened nor reseeded.
    QCOMPARE(m_store->value(kSettings, QStringLiteral("k")), QVariant("v"));

    m_store->closeDatabases();
    QVERIFY(defaultConnectionOpen());
    m_store->closeDatabases();
    QVERIFY(!defaultConnectionOpen());

    // An unmatched close does not spoil the next load and close.
    m_store->closeDatabases();
    m_store->loadDatabases();
    QVERIFY(defaultConnectionOpen());
    m_store->closeDatabases();
    QVERIFY(!defaultConnectionOpen());
}

void TestDbStore::missingValueGivesExactlyTheDefault_data()
{
    QTest::addColumn<QVariant>("defaultValue");
    QTest::newRow("invalid") << QVariant();
    QTest::newRow("empty text") << QVariant(QString());
    QTest::newRow("number") << QVariant(7);
    QTest::newRow("bool") << QVariant(true);
}

void TestDbStore::missingValueGivesExactlyTheDefault()
{
    QFETCH(QVariant, defaultValue);
    m_store->loadDatabases();
    const QVariant result = m_store->value(kSettings, QStringLiteral("no.such.key"), defaultValue);
    QCOMPARE(result.typeId(), defaultValue.typeId());
    QCOMPARE(result, defaultValue);
}

void TestDbStore::setValueReplacesTheRowAndStoresText()
{
    m_store->loadDatabases();
    const QString rows = QStringLiteral("select value from settings where name = 'k'");

    m_store->setValue(kSettings, QStringLiteral("k"), true);
    QCOMPARE(rowsOf(path(), rows), (QList<QStringList> {{"true"}}));
    m_store->setValue(kSettings, QStringLiteral("k"), false);
    QCOMPARE(rowsOf(path(), rows), (QList<QStringList> {{"false"}}));
    QCOMPARE(m_store->value(kSettings, QStringLiteral("k")).toBool(), false);
    m_store->setValue(kSettings, QStringLiteral("k"), 30u);
    QCOMPARE(rowsOf(path(), rows), (QList<QStringList> {{"30"}}));
    m_store->setValue(kSettings, QStringLiteral("k"), -2);
    QCOMPARE(rowsOf(path(), rows), (QList<QStringList> {{"-2"}}));
}

void TestDbStore::removeValueDeletesTheRow()
{
    m_store->loadDatabases();
    m_store->setValue(kSettings, QStringLiteral("k"), QStringLiteral("v"));
    m_store->removeValue(kSettings, QStringLiteral("k"));
    QCOMPARE(m_store->value(kSettings, QStringLiteral("k"), QStringLiteral("gone")), QVariant("gone"));
    m_store->removeValue(kSettings, QStringLiteral("k")); // nothing to remove: harmless
    QCOMPARE(rowsOf(path(), QStringLiteral("select count(*) from settings")), (QList<QStringList> {{"23"}}));
}

void TestDbStore::unknownTableIsRefused()
{
    m_store->loadDatabases();
    const QString hostile
        = QStringLiteral("settings (name, value) values ('x', 'y'); drop table settings; --");
    const QRegularExpression refused(QStringLiteral("Refused unknown table"));

    QTest::ignoreMessage(QtDebugMsg, refused);
    m_store->setValue(hostile, QStringLiteral("k"), QStringLiteral("v"));
    QTest::ignoreMessage(QtDebugMsg, refused);
    QCOMPARE(m_store->value(QStringLiteral("bogus"), QStringLiteral("login.auto"), 5), QVariant(5));
    QTest::ignoreMessage(QtDebugMsg, refused);
    m_store->removeValue(QStringLiteral("Settings "), QStringLiteral("login.auto"));

    QCOMPARE(rowsOf(path(), QStringLiteral("select count(*) from settings")), (QList<QStringList> {{"23"}}));
}

void TestDbStore::unopenableDatabaseIsTracedAndFallsBack()
{
    // A plain file where the folder should be: not even root can write there.
    QFile blocker(QFileInfo(path()).path() + QStringLiteral("/blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    newStore(QStringLiteral("blocker/data.px"));
    QSignalSpy problems(m_store.get(), &DbStore::problemOccurred);
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("Could not check the database")));
    m_store->loadDatabases();
    QVERIFY(!defaultConnectionOpen());
    QCOMPARE(problems.count(), 1);
    QVERIFY2(m_store->problem().contains(path())
                 && m_store->problem().contains(QStringLiteral("not a folder")),
             qPrintable(m_store->problem()));

    QTest::ignoreMessage(QtDebugMsg,
                         QRegularExpression(QStringLiteral(
                             "Assert will fail for table: \"settings\" and key: \"login.auto\"")));
    QCOMPARE(m_store->value(kSettings, QStringLiteral("login.auto"), QStringLiteral("default")),
             QVariant("default"));

    // Once the file can be made, a new load succeeds.
    QVERIFY(blocker.remove() && QDir().mkpath(QFileInfo(path()).path()));
    m_store->loadDatabases();
    QVERIFY(defaultConnectionOpen());
    QCOMPARE(m_store->value(kSettings, QStringLiteral("login.auto")), QVariant("false"));
}

void TestDbStore::failingSchemaStatementIsTracedAndSkipped()
{
    // A settings table of another shape: every seed fails, the other tables
    // are still made.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("prepare"));
        QDir().mkpath(QFileInfo(path()).path());
        db.setDatabaseName(path());
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(
            query.exec(QStringLiteral("create table settings (name varchar primary key, setting varchar)")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("prepare"));

    for (int i = 0; i < kSeeds.size(); ++i)
        QTest::ignoreMessage(
            QtDebugMsg,
            QRegularExpression(QStringLiteral("Schema statement failed:.*no column named value")));
    m_store->loadDatabases();
    QVERIFY(defaultConnectionOpen());
    QCOMPARE(rowsOf(path(), QStringLiteral("select count(*) from sqlite_master where type = 'table'")),
             (QList<QStringList> {{"4"}}));
}

void TestDbStore::damagedFileIsKeptAsideAndReplaced_data()
{
    QTest::addColumn<int>("offset"); // of a zeroed page; -1 garbage, -2 cut in half
    QTest::addColumn<QString>("cause");
    QTest::newRow("garbage") << -1 << "not a database";
    QTest::newRow("truncated") << -2 << "corrupt";
    QTest::newRow("zeroed first page") << 0 << "not a database";
    QTest::newRow("zeroed inner page") << 2 * 4096 << "corrupt";
}

void TestDbStore::damagedFileIsKeptAsideAndReplaced()
{
    QFETCH(int, offset);
    QFETCH(QString, cause);
    m_store->loadDatabases();
    QVERIFY(QSqlQuery().exec(QStringLiteral( // several pages
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 200) "
        "insert into number_history select i, printf('%.100c', 'n'), '' from n")));
    m_store->closeDatabases();

    QByteArray bytes = TestEnvironment::fileContents(path());
    QVERIFY(bytes.size() >= 5 * 4096);
    if (offset == -1)
        bytes.fill('\x5a');
    else if (offset == -2)
        bytes.truncate(bytes.size() / 2);
    else
        bytes.replace(offset, 4096, QByteArray(4096, '\0'));
    QFile file(path());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
    file.close();

    newStore(QFileInfo(path()).fileName());
    QSignalSpy problems(m_store.get(), &DbStore::problemOccurred);
    m_store->loadDatabases();
    QCOMPARE(problems.count(), 1);
    const QString message = m_store->problem();
    QVERIFY2(message.contains(path()) && message.contains(cause), qPrintable(message));

    // Kept unchanged beside a fresh file that works.
    const QFileInfo info(path());
    const QStringList aside = info.dir().entryList({info.fileName() + QStringLiteral(".damaged-*[0-9]")});
    QCOMPARE(aside.size(), 1);
    QVERIFY2(message.contains(aside.first()), qPrintable(message));
    QCOMPARE(TestEnvironment::fileContents(info.dir().filePath(aside.first())), bytes);
    QCOMPARE(rowsOf(path(), QStringLiteral("select count(*) from settings")), (QList<QStringList> {{"23"}}));
    QCOMPARE(rowsOf(path(), QStringLiteral("select count(*) from number_history")),
             (QList<QStringList> {{"0"}}));
}

void TestDbStore::fullDiskIsReportedOnceAndTheFileKept_data()
{
    QTest::addColumn<bool>("numberFirst");
    QTest::newRow("a setting fails first") << false;
    QTest::newRow("a number fails first") << true;
}

void TestDbStore::fullDiskIsReportedOnceAndTheFileKept()
{
    QFETCH(bool, numberFirst);
    m_store->loadDatabases();
    m_store->setValue(kSettings, QStringLiteral("login.user"), QStringLiteral("ann"));
    QSignalSpy problems(m_store.get(), &DbStore::problemOccurred);

    // The file may not grow by a page: SQLite answers as on a full disk.
    QSqlQuery query;
    QVERIFY(query.exec(QStringLiteral("pragma page_count")) && query.next());
    QVERIFY(query.exec(QStringLiteral("pragma max_page_count = %1").arg(query.value(0).toInt())));
    const QString big(64 * 1024, QLatin1Char('x'));
    NumberHistory numbers;
    for (const bool number : {numberFirst, !numberFirst, numberFirst}) {
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression(QStringLiteral("Could not add|Assert will fail")));
        number ? numbers.addNumber(QStringLiteral("12345"), big)
               : m_store->setValue(kSettings, QStringLiteral("big"), big);
        QCOMPARE(problems.count(), 1);
    }
    const QString message = m_store->problem();
    QVERIFY2(message.contains(path()) && message.contains(QStringLiteral("disk is full")),
             qPrintable(message));
    // Kept, and what it holds is still read.
    QCOMPARE(m_store->value(kSettings, QStringLiteral("login.user")), QVariant("ann"));
}

void TestDbStore::startWithAFileThatCannotBeUsedAsItIs_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("told");
    QTest::newRow("empty file") << "empty"
                                << "was damaged (it was empty)";
    QTest::newRow("full disk") << "full"
                               << "cannot be used: the disk is full";
    QTest::newRow("folder not writable") << "unwritable"
                                         << "cannot be written. The file is read as it is";
    QTest::newRow("damaged, with its journal files") << "damaged"
                                                     << "was damaged (it is not a database)";
}

void TestDbStore::startWithAFileThatCannotBeUsedAsItIs()
{
    QFETCH(QString, state);
    QFETCH(QString, told);
    // A folder of its own, with a remembered login in it.
    newStore(QStringLiteral("start-%1/data.px").arg(state));
    const QString folder = QFileInfo(path()).path();
    QDir(folder).removeRecursively();
    QVERIFY(QDir().mkpath(folder));
    if (state != QLatin1String("full")) {
        m_store->loadDatabases();
        m_store->setValue(kSettings, QStringLiteral("login.user"), QStringLiteral("ann"));
        m_store->closeDatabases();
    }
    bool immutable = false;
    auto restore = qScopeGuard([&] {
        if (immutable)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), folder});
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    if (state == QLatin1String("empty")) {
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    } else if (state == QLatin1String("damaged")) {
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(8192, '\x5a'));
        file.close();
        // What a check or a crash leaves beside it: an empty journal and its index.
        for (const QString &suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
            QFile journal(path() + suffix);
            QVERIFY(journal.open(QIODevice::WriteOnly | QIODevice::Truncate));
        }
    } else if (state == QLatin1String("unwritable")) {
        // Root writes into any folder but an immutable one.
        if (::geteuid() == 0) {
            if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), folder}) != 0)
                QSKIP("The file system cannot make a folder immutable, and root writes everywhere else");
            immutable = true;
        } else {
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        }
    }

    auto store = std::make_unique<CaseStore>(QStringLiteral("start-%1/data.px").arg(state));
    QSignalSpy problems(store.get(), &DbStore::problemOccurred);
    {
        std::unique_ptr<NoGrowth> full;
        std::unique_ptr<TestDisk> noSpace;
        if (state == QLatin1String("full")) {
            full = std::make_unique<NoGrowth>();
            noSpace = std::make_unique<TestDisk>(0);
        }
        store->loadDatabases();
    }
    QCOMPARE(problems.count(), 1);
    QVERIFY2(store->problem().contains(told) && store->problem().contains(path()),
             qPrintable(store->problem()));

    const QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
    if (state == QLatin1String("unwritable")) {
        // Read as it is, so that automatic sign-in still works; nothing written.
        QVERIFY(store->isReadOnly());
        QCOMPARE(store->value(kSettings, QStringLiteral("login.user")), QVariant("ann"));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("Assert will fail")));
        store->setValue(kSettings, QStringLiteral("login.user"), QStringLiteral("bob"));
        QCOMPARE(problems.count(), 1);
        QCOMPARE(files, QStringList {QStringLiteral("data.px")});
    } else if (state == QLatin1String("empty") || state == QLatin1String("damaged")) {
        // Kept aside alone, without journal files, beside a fresh file.
        const QStringList aside = files.filter(QStringLiteral(".damaged-"));
        QCOMPARE(aside.size(), 1);
        QVERIFY2(aside.first().back().isDigit(), qPrintable(aside.first()));
        QCOMPARE(store->value(kSettings, QStringLiteral("login.auto")), QVariant("false"));
    }
    while (defaultConnectionOpen())
        store->closeDatabases();
}

void TestDbStore::emailAddresses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("inner dot") << "a.b@c.de" << true;
    QTest::newRow("sub-domain") << "john_doe+x@mail.example.com" << true;
    QTest::newRow("leading dot is in the first class") << ".a@b.cd" << true;
    QTest::newRow("slash in domain") << "a@b/c.de" << true;
    QTest::newRow("no at") << "ab.cd" << false;
    QTest::newRow("two ats") << "a@@b.cd" << false;
    QTest::newRow("starts with at") << "@x.de" << false;
    QTest::newRow("one-letter top level") << "a@b.c" << false;
    QTest::newRow("no top level") << "a@localhost" << false;
    QTest::newRow("digits in top level") << "a@b.c0" << false;
    QTest::newRow("leading space") << " a@b.cd" << false;
    QTest::newRow("trailing space") << "a@b.cd " << false;
    QTest::newRow("trailing line break") << "a@b.cd\n" << false;
    QTest::newRow("empty") << "" << false;
}

void TestDbStore::emailAddresses()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(EmailValidator::isValid(text), valid);
}

LINKORA_TEST_MAIN(TestDbStore)
#include "tst_dbstore.moc"
