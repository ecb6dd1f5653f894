#include "support/testenvironment.h"
#include "util/singleinstance.h"

#include <QDeadlineTimer>
#include <QDirIterator>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace {

// One run of the helper program as another instance.
class Instance
{
public:
    explicit Instance(const QStringList &arguments,
                      const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
                      uid_t user = ::geteuid())
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.setProcessEnvironment(environment);
        if (user != ::geteuid()) {
            m_process.setChildProcessModifier([user] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(user) != 0 || ::setuid(user) != 0)
                    ::_exit(126);
            });
        }
        m_process.start(QStringLiteral(SINGLE_INSTANCE_HELPER), arguments);
    }
    ~Instance()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Blocks until the helper has printed line.
    bool waitForLine(const QString &line, int timeoutMs = 15000)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (!lines().contains(line)) {
            if (deadline.hasExpired() || !m_process.waitForReadyRead(int(deadline.remainingTime())))
                return lines().contains(line);
        }
        return true;
    }
    // The text after prefix on the first line that starts with it.
    QString value(const QString &prefix)
    {
        for (const QString &line : lines()) {
            if (line.startsWith(prefix))
                return line.mid(prefix.size());
        }
        return QString();
    }
    QStringList lines()
    {
        m_output += m_process.readAllStandardOutput();
        return QString::fromUtf8(m_output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QByteArray m_output;
};

QString uniqueId()
{
    return QStringLiteral("tst-%1-%2")
        .arg(QCoreApplication::applicationPid())
        .arg(QString::fromLatin1(QTest::currentTestFunction()));
}

std::unique_ptr<Instance> serve(const QString &id)
{
    return std::make_unique<Instance>(QStringList {QStringLiteral("serve"), id});
}

std::unique_ptr<Instance> send(const QString &id, const QString &message)
{
    return std::make_unique<Instance>(QStringList {QStringLiteral("send"), id, message});
}

// Folders of their own for helper instances, under the real temporary folder
// so that another user can be given them.
class Sandbox
{
public:
    Sandbox()
        : m_dir(QStringLiteral("/tmp/linkora-instance-XXXXXX"))
    {
        for (const char *name : {"home", "data", "tmp"})
            QDir().mkpath(path(QString::fromLatin1(name)));
        environment.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
        environment.insert(QStringLiteral("TMPDIR"), path(QStringLiteral("tmp")));
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    }
    QString path(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }
    // Hands every folder to user, the temporary one excepted.
    void giveTo(uid_t user) const
    {
        QDirIterator it(m_dir.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        ::chown(QFile::encodeName(m_dir.path()).constData(), user, user);
        while (it.hasNext()) {
            const QString entry = it.next();
            if (entry != path(QStringLiteral("tmp")))
                ::lchown(QFile::encodeName(entry).constData(), user, user);
        }
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();

private:
    QTemporaryDir m_dir;
};

bool makeFolder(const QString &path, mode_t mode)
{
    return QDir().mkpath(path) && ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

uid_t nobody()
{
    const passwd *entry = ::getpwnam("nobody");
    return entry ? entry->pw_uid : uid_t(65534);
}

// A folder only its owner, this user, can enter.
bool isPrivateFolder(const QString &path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISDIR(status.st_mode)
        && (status.st_mode & 0777) == 0700 && status.st_uid == ::geteuid();
}

QByteArray frame(const QByteArray &payload)
{
    char header[4];
    qToBigEndian<quint32>(quint32(payload.size()), header);
    return QByteArray(header, 4) + payload;
}

} // namespace

class TestQtSingleApplication : public QObject
{
    Q_OBJECT

private slots:
    void secondInstanceSeesTheFirstAndShowReachesIt();
    void killedInstanceDoesNotBlockTheNext();
    void waitingInstanceTakesOverWhenTheFirstEnds();
    void identitiesAreSeparate();
    void messageInPiecesArrivesWholeAndIsConfirmed();
    void oversizedMessageIsDropped();
    void abandonedLockIsTakenOver_data();
    void abandonedLockIsTakenOver();
    void lockStaysInAPrivateFolder_data();
    void lockStaysInAPrivateFolder();
    void unwritableRuntimeFolderStillKeepsOneInstance();
};

void TestQtSingleApplication::secondInstanceSeesTheFirstAndShowReachesIt()
{
    const QString id = uniqueId();
    auto first = serve(id);
    QVERIFY(first->waitForLine(QStringLiteral("claimed")));

    auto second = send(id, QStringLiteral("--show"));
    QVERIFY(second->process().waitForFinished(15000));
    QCOMPARE(second->lines(), QStringList({QStringLiteral("running"), QStringLiteral("sent")}));
    QCOMPARE(second->process().exitCode(), 0);
    QVERIFY(first->waitForLine(QStringLiteral("message:--show")));

    auto quit = send(id, QStringLiteral("--quit"));
    QVERIFY(first->process().waitForFinished(15000));
    QCOMPARE(first->process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(first->process().exitCode(), 0);
}

void TestQtSingleApplication::killedInstanceDoesNotBlockTheNext()
{
    const QString id = uniqueId();
    const SingleInstance names(id);
    auto crashed = serve(id);
    QVERIFY(crashed->waitForLine(QStringLiteral("claimed")));
    crashed->process().kill();
    QVERIFY(crashed->process().waitForFinished(5000));
    // What a crash leaves behind.
    QVERIFY(QFile::exists(names.lockFilePath()));
    QVERIFY(QFile::exists(names.serverName()));

    auto next = serve(id);
    QVERIFY(next->waitForLine(QStringLiteral("claimed")));
    QCOMPARE(next->lines().first(), QStringLiteral("alone"));

    auto second = send(id, QStringLiteral("--show"));
    QVERIFY(second->process().waitForFinished(15000));
    QCOMPARE(second->lines(), QStringList({QStringLiteral("running"), QStringLiteral("sent")}));
    QVERIFY(next->waitForLine(QStringLiteral("message:--show")));
}

void TestQtSingleApplication::waitingInstanceTakesOverWhenTheFirstEnds()
{
    const QString id = uniqueId();
    auto first = serve(id);
    QVERIFY(first->waitForLine(QStringLiteral("claimed")));

    SingleInstance waiting(id);
    QVERIFY(waiting.isRunning());
    QVERIFY(waiting.isRunning());
    QVERIFY(waiting.sendMessage(QStringLiteral("--quit"), 3000));
    QVERIFY(first->process().waitForFinished(15000));

    QVERIFY(!waiting.isRunning());
    QSignalSpy received(&waiting, &SingleInstance::messageReceived);
    auto later = send(id, QStringLiteral("--show"));
    QVERIFY(received.wait(15000));
    QCOMPARE(received.constFirst().constFirst().toString(), QStringLiteral("--show"));
    // Keep serving while the sender finishes.
    QTRY_COMPARE_WITH_TIMEOUT(later->process().state(), QProcess::NotRunning, 15000);
    QCOMPARE(later->lines(), QStringList({QStringLiteral("running"), QStringLiteral("sent")}));
}

void TestQtSingleApplication::identitiesAreSeparate()
{
    const QString id = uniqueId();
    SingleInstance first(id);
    SingleInstance sameIdentity(id);
    SingleInstance otherIdentity(id + QStringLiteral("-other"));

    QVERIFY(!first.isRunning());
    QVERIFY(sameIdentity.isRunning());
    QVERIFY(!otherIdentity.isRunning());
    QVERIFY(first.serverName() != otherIdentity.serverName());
    QVERIFY(first.lockFilePath() != otherIdentity.lockFilePath());
    // The holder has nobody to send to.
    QVERIFY(!first.sendMessage(QStringLiteral("--show"), 100));

    // An empty identity is the program's own path.
    QCOMPARE(SingleInstance(QString()).id(), QCoreApplication::applicationFilePath());
}

void TestQtSingleApplication::messageInPiecesArrivesWholeAndIsConfirmed()
{
    SingleInstance instance(uniqueId());
    QVERIFY(!instance.isRunning());
    QSignalSpy received(&instance, &SingleInstance::messageReceived);

    const QByteArray data = frame(QStringLiteral("--show ✓").toUtf8());
    QLocalSocket client;
    client.connectToServer(instance.serverName());
    QVERIFY(client.waitForConnected(5000));
    client.write(data.left(3));
    client.flush();
    QTest::qWait(50);
    client.write(data.mid(3, 4));
    client.flush();
    QTest::qWait(50);
    QCOMPARE(received.count(), 0);
    client.write(data.mid(7));
    QVERIFY(received.wait(5000));
    QCOMPARE(received.constFirst().constFirst().toString(), QStringLiteral("--show ✓"));
    QTRY_VERIFY(client.bytesAvailable() > 0);
    QCOMPARE(client.readAll(), QByteArray("\x06"));
}

void TestQtSingleApplication::oversizedMessageIsDropped()
{
    SingleInstance instance(uniqueId());
    QVERIFY(!instance.isRunning());
    QSignalSpy received(&instance, &SingleInstance::messageReceived);

    QLocalSocket client;
    client.connectToServer(instance.serverName());
    QVERIFY(client.waitForConnected(5000));
    QSignalSpy disconnected(&client, &QLocalSocket::disconnected);
    client.write(QByteArray("\xff\xff\xff\xff", 4) + QByteArray(1024, 'x'));
    QVERIFY(disconnected.wait(5000));
    QCOMPARE(received.count(), 0);

    // The instance still serves others.
    QLocalSocket next;
    next.connectToServer(instance.serverName());
    QVERIFY(next.waitForConnected(5000));
    next.write(frame("--show"));
    QVERIFY(received.wait(5000));
    QCOMPARE(received.constFirst().constFirst().toString(), QStringLiteral("--show"));
}

void TestQtSingleApplication::abandonedLockIsTakenOver_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("running");

    QTest::newRow("empty file") << QStringLiteral("empty") << 3600 << false;
    QTest::newRow("garbage") << QStringLiteral("garbage") << 3600 << false;
    QTest::newRow("folder") << QStringLiteral("folder") << 0 << false;
    // The process it names lives, but holds no lock on it.
    QTest::newRow("names a living process") << QStringLiteral("living") << 3600 << false;
    QTest::newRow("empty file just being written") << QStringLiteral("empty") << 0 << true;
}

void TestQtSingleApplication::abandonedLockIsTakenOver()
{
    QFETCH(QString, left);
    QFETCH(int, ageSeconds);
    QFETCH(bool, running);
    SingleInstance instance(uniqueId()
                            + QString::fromLatin1(QTest::currentDataTag()).remove(QLatin1Char(' ')));
    const QString path = instance.lockFilePath();

    if (left == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
    } else {
        QByteArray content;
        if (left == QLatin1String("garbage")) {
            content = QByteArray("\x01\xff not a lock\n");
        } else if (left == QLatin1String("living")) {
            // What this process writes when it holds a lock.
            QLockFile real(path + QStringLiteral(".real"));
            QVERIFY(real.tryLock(0));
            QFile written(path + QStringLiteral(".real"));
            QVERIFY(written.open(QIODevice::ReadOnly));
            content = written.readAll();
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        QVERIFY(file.flush());
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds),
                                 QFileDevice::FileModificationTime));
    }

    QCOMPARE(instance.isRunning(), running);
    QVERIFY(instance.problem().isEmpty());
    if (running)
        return;
    qint64 pid = 0;
    QVERIFY(QLockFile(path).getLockInfo(&pid, nullptr, nullptr));
    QCOMPARE(pid, QCoreApplication::applicationPid());
    QLocalSocket client;
    client.connectToServer(instance.serverName());
    QVERIFY(client.waitForConnected(5000));
}

void TestQtSingleApplication::lockStaysInAPrivateFolder_data()
{
    QTest::addColumn<QString>("runtime");
    QTest::addColumn<QString>("where");

    QTest::newRow("private runtime folder") << QStringLiteral("private") << QStringLiteral("runtime");
    QTest::newRow("no runtime folder named") << QStringLiteral("unset") << QStringLiteral("data");
    QTest::newRow("runtime folder a symbolic link") << QStringLiteral("link") << QStringLiteral("data");
    QTest::newRow("runtime folder open to all") << QStringLiteral("open") << QStringLiteral("data");
    QTest::newRow("runtime folder of another user") << QStringLiteral("foreign") << QStringLiteral("data");
    QTest::newRow("no folder usable") << QStringLiteral("none") << QStringLiteral("undecided");
}

void TestQtSingleApplication::lockStaysInAPrivateFolder()
{
    QFETCH(QString, runtime);
    QFETCH(QString, where);
    Sandbox box;
    const QString folder = box.path(QStringLiteral("runtime"));
    const QString elsewhere = box.path(QStringLiteral("elsewhere"));
    QVERIFY(makeFolder(elsewhere, 0700));
    if (runtime == QLatin1String("private")) {
        QVERIFY(makeFolder(folder, 0700));
    } else if (runtime == QLatin1String("link") || runtime == QLatin1String("none")) {
        QVERIFY(QFile::link(elsewhere, folder));
    } else if (runtime == QLatin1String("open")) {
        QVERIFY(makeFolder(folder, 0777));
    } else if (runtime == QLatin1String("foreign")) {
        if (::geteuid() != 0)
            QSKIP("Only root can give a folder to another user");
        QVERIFY(makeFolder(folder, 0700));
        QCOMPARE(::chown(QFile::encodeName(folder).constData(), nobody(), nobody()), 0);
    }
    if (runtime != QLatin1String("unset"))
        box.environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder);
    if (runtime == QLatin1String("none")) {
        // A data folder that cannot be made.
        QFile file(box.path(QStringLiteral("file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        box.environment.insert(QStringLiteral("XDG_DATA_HOME"), file.fileName() + QStringLiteral("/data"));
    }

    const QString id = uniqueId();
    Instance first({QStringLiteral("serve"), id}, box.environment);
    if (where == QLatin1String("undecided")) {
        // Never a start without the claim: it might share its data with another.
        QVERIFY(first.process().waitForFinished(15000));
        QCOMPARE(first.lines().value(0), QStringLiteral("running"));
        QVERIFY2(first.value(QStringLiteral("problem:")).contains(folder),
                 qPrintable(first.lines().join('|')));
        QCOMPARE(first.process().exitCode(), 3);
        return;
    }
    QVERIFY2(first.waitForLine(QStringLiteral("claimed")), qPrintable(first.lines().join('|')));
    const QString lock = first.value(QStringLiteral("lock:"));
    const QString expected = where == QLatin1String("runtime") ? folder : box.path(QStringLiteral("data"));
    QVERIFY2(lock.startsWith(expected + QLatin1Char('/')), qPrintable(lock));
    QVERIFY(isPrivateFolder(QFileInfo(lock).path()));
    // Nothing where others could have planted it.
    QDirIterator planted(box.path(QStringLiteral("tmp")), {QStringLiteral("linkora-*")},
                         QDir::AllEntries | QDir::System, QDirIterator::Subdirectories);
    QVERIFY(!planted.hasNext());
    QVERIFY(QDir(elsewhere).isEmpty());

    Instance second({QStringLiteral("send"), id, QStringLiteral("--show")}, box.environment);
    QVERIFY(second.process().waitForFinished(15000));
    QCOMPARE(second.lines(), QStringList({QStringLiteral("running"), QStringLiteral("sent")}));
    QVERIFY(first.waitForLine(QStringLiteral("message:--show")));
}

void TestQtSingleApplication::unwritableRuntimeFolderStillKeepsOneInstance()
{
    // Root ignores permission bits: the instances then run as another user.
    const uid_t user = ::geteuid() == 0 ? nobody() : ::geteuid();
    Sandbox box;
    const QString runtime = box.path(QStringLiteral("runtime"));
    QVERIFY(makeFolder(runtime, 0500));
    box.environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    // Nor can the instances write in the temporary folder.
    QVERIFY(makeFolder(box.path(QStringLiteral("tmp")), 0555));
    if (user != ::geteuid())
        box.giveTo(user);

    const QString id = uniqueId();
    Instance first({QStringLiteral("serve"), id}, box.environment, user);
    QVERIFY2(first.waitForLine(QStringLiteral("claimed")), qPrintable(first.lines().join('|')));
    QVERIFY(
        first.value(QStringLiteral("lock:")).startsWith(box.path(QStringLiteral("data")) + QLatin1Char('/')));

    Instance second({QStringLiteral("send"), id, QStringLiteral("--show")}, box.environment, user);
    QVERIFY(second.process().waitForFinished(15000));
    QCOMPARE(second.lines(), QStringList({QStringLiteral("running"), QStringLiteral("sent")}));
    QVERIFY(first.waitForLine(QStringLiteral("message:--show")));
}

LINKORA_TEST_MAIN(TestQtSingleApplication)
#include "tst_qtsingleapplication.moc"
