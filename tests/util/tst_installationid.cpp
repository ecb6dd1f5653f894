#include "support/testenvironment.h"
#include "util/installationidstore.h"
#include "util/nativesettings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QtTest>

namespace {

// The stored location must stay as it is: the service knows installations by it.
NativeSettings idKey()
{
    return NativeSettings(QStringLiteral("Classes"), QStringLiteral("PlixInst"));
}

const QString kValueName = QStringLiteral("InstalId");

void useScopes(const QString &userFolder, const QString &machineFolder)
{
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, userFolder);
        QSettings::setPath(format, QSettings::SystemScope, machineFolder);
    }
}

// A folder below a plain file: nothing can be created there, not even by root.
QString unwritableFolder(const QString &base)
{
    QFile blocker(base + QStringLiteral("/blocker"));
    if (!blocker.open(QIODevice::WriteOnly))
        return QString();
    return blocker.fileName() + QStringLiteral("/settings");
}

QVariant stored(NativeSettings::Scope scope)
{
    return idKey().value(scope, kValueName);
}

} // namespace

class TestInstallationId : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void newIdentifierIsMadeOnceAndKept();
    void storedIdentifierIsUsedAsItStands_data();
    void storedIdentifierIsUsedAsItStands();
    void unusableIdentifierIsReplaced_data();
    void unusableIdentifierIsReplaced();
    void unusableUserValueFallsBackToTheMachines();
    void userKeepsItWhenMachineIsUnwritable();
    void nothingWritableStillGivesAnIdentifier();
    void applicationValueFallsBackToMachine();

private:
    QString m_folder;
};

void TestInstallationId::init()
{
    QString name = QString::fromLatin1(QTest::currentTestFunction());
    if (QTest::currentDataTag())
        name += QLatin1Char('-')
            + QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'));
    m_folder = TestEnvironment::freshDirectory(name);
    QVERIFY(QDir().mkpath(m_folder + QStringLiteral("/user")));
    QVERIFY(QDir().mkpath(m_folder + QStringLiteral("/machine")));
    useScopes(m_folder + QStringLiteral("/user"), m_folder + QStringLiteral("/machine"));
}

void TestInstallationId::newIdentifierIsMadeOnceAndKept()
{
    InstallationIdStore first;
    QVERIFY(first.id().isEmpty());
    first.load();
    QVERIFY2(InstallationIdStore::isValid(first.id()), qPrintable(first.id()));

    // Shared by all users of the computer.
    QCOMPARE(stored(NativeSettings::MachineScope).toString(), first.id());
    QVERIFY(!stored(NativeSettings::UserScope).isValid());

    InstallationIdStore second;
    second.load();
    QCOMPARE(second.id(), first.id());
    QVERIFY(!stored(NativeSettings::UserScope).isValid());
}

void TestInstallationId::storedIdentifierIsUsedAsItStands_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("machine");
    QTest::addColumn<QString>("expected");

    QTest::newRow("user only") << QStringLiteral("user-id") << QString() << QStringLiteral("user-id");
    QTest::newRow("machine only") << QString() << QStringLiteral("machine-id")
                                  << QStringLiteral("machine-id");
    QTest::newRow("user before machine")
        << QStringLiteral("user-id") << QStringLiteral("machine-id") << QStringLiteral("user-id");
    const QString longest = QString(63, QLatin1Char('x')) + QLatin1Char('~');
    QTest::newRow("64 characters") << longest << QString() << longest;
    QTest::newRow("blanks and punctuation")
        << QStringLiteral(" {a b}=\"c\";,% ") << QString() << QStringLiteral(" {a b}=\"c\";,% ");
}

void TestInstallationId::storedIdentifierIsUsedAsItStands()
{
    QFETCH(QString, user);
    QFETCH(QString, machine);
    QFETCH(QString, expected);

    NativeSettings key = idKey();
    if (!user.isEmpty())
        QVERIFY(key.setValue(NativeSettings::UserScope, kValueName, user));
    if (!machine.isEmpty())
        QVERIFY(key.setValue(NativeSettings::MachineScope, kValueName, machine));

    InstallationIdStore store;
    store.load();
    QCOMPARE(store.id(), expected);

    // Not written again anywhere.
    QCOMPARE(stored(NativeSettings::UserScope).isValid(), !user.isEmpty());
    QCOMPARE(stored(NativeSettings::MachineScope).isValid(), !machine.isEmpty());
    QCOMPARE(stored(NativeSettings::UserScope).toString(), user);
    QCOMPARE(stored(NativeSettings::MachineScope).toString(), machine);
}

void TestInstallationId::unusableIdentifierIsReplaced_data()
{
    QTest::addColumn<int>("scope");
    QTest::addColumn<QVariant>("bad");

    const QList<QPair<const char *, QVariant>> values = {
        {"header injection", QStringLiteral("abc\r\nX-Injected: 1")},
        {"tab", QStringLiteral("a\tb")},
        {"delete character", QStringLiteral("ab\x7f")},
        {"non-ASCII", QStringLiteral("install\u00e9")},
        {"65 characters", QString(65, QLatin1Char('a'))},
        {"list", QStringList {QStringLiteral("a"), QStringLiteral("b")}},
    };
    for (const auto &value : values) {
        QTest::addRow("user, %s", value.first) << int(NativeSettings::UserScope) << value.second;
        QTest::addRow("machine, %s", value.first) << int(NativeSettings::MachineScope) << value.second;
    }
}

void TestInstallationId::unusableIdentifierIsReplaced()
{
    QFETCH(int, scope);
    QFETCH(QVariant, bad);

    NativeSettings key = idKey();
    QVERIFY(key.setValue(NativeSettings::Scope(scope), kValueName, bad));

    InstallationIdStore store;
    store.load();
    QVERIFY2(InstallationIdStore::isValid(store.id()), qPrintable(store.id()));
    QVERIFY(store.id() != bad.toString());

    // The replacement is what the next start reads, and it stays.
    QCOMPARE(key.value(kValueName).toString(), store.id());
    QCOMPARE(stored(NativeSettings::MachineScope).toString(), store.id());
    InstallationIdStore next;
    next.load();
    QCOMPARE(next.id(), store.id());
}

void TestInstallationId::unusableUserValueFallsBackToTheMachines()
{
    NativeSettings key = idKey();
    QVERIFY(key.setValue(NativeSettings::MachineScope, kValueName, QStringLiteral("machine-id")));
    QVERIFY(key.setValue(NativeSettings::UserScope, kValueName, QStringLiteral("bad\r\nid")));

    InstallationIdStore store;
    store.load();
    QCOMPARE(store.id(), QStringLiteral("machine-id"));
    // Only the user's scope is repaired; the shared value stays.
    QCOMPARE(stored(NativeSettings::MachineScope).toString(), QStringLiteral("machine-id"));
    QCOMPARE(stored(NativeSettings::UserScope).toString(), QStringLiteral("machine-id"));
}

void TestInstallationId::userKeepsItWhenMachineIsUnwritable()
{
    const QString machine = unwritableFolder(m_folder);
    QVERIFY(!machine.isEmpty());
    useScopes(m_folder + QStringLiteral("/user"), machine);

    InstallationIdStore store;
    QVERIFY(!store.writeKey(NativeSettings::MachineScope));
    store.load();
    QVERIFY(InstallationIdStore::isValid(store.id()));
    QCOMPARE(stored(NativeSettings::UserScope).toString(), store.id());

    InstallationIdStore next;
    next.load();
    QCOMPARE(next.id(), store.id());
}

void TestInstallationId::nothingWritableStillGivesAnIdentifier()
{
    const QString blocked = unwritableFolder(m_folder);
    QVERIFY(!blocked.isEmpty());
    useScopes(blocked, blocked);

    QTest::ignoreMessage(QtDebugMsg, "Couldn't write key");
    InstallationIdStore store;
    store.load();
    QVERIFY(InstallationIdStore::isValid(store.id()));

    // Nothing was kept, so the next start makes another one.
    QTest::ignoreMessage(QtDebugMsg, "Couldn't write key");
    InstallationIdStore next;
    next.load();
    QVERIFY(InstallationIdStore::isValid(next.id()));
    QVERIFY(next.id() != store.id());
}

void TestInstallationId::applicationValueFallsBackToMachine()
{
    NativeSettings application = NativeSettings::forApplication();
    QCOMPARE(application.value(QStringLiteral("Version"), QStringLiteral("1.0.0")).toString(),
             QStringLiteral("1.0.0"));

    QVERIFY(application.setValue(NativeSettings::MachineScope, QStringLiteral("Version"),
                                 QStringLiteral("2.3.4")));
    QCOMPARE(NativeSettings::forApplication().value(QStringLiteral("Version")).toString(),
             QStringLiteral("2.3.4"));

    QVERIFY(
        application.setValue(NativeSettings::UserScope, QStringLiteral("Version"), QStringLiteral("2.4.0")));
    QCOMPARE(NativeSettings::forApplication().value(QStringLiteral("Version")).toString(),
             QStringLiteral("2.4.0"));
    QCOMPARE(application.value(NativeSettings::MachineScope, QStringLiteral("Version")).toString(),
             QStringLiteral("2.3.4"));
}

LINKORA_TEST_MAIN(TestInstallationId)
#include "tst_installationid.moc"
