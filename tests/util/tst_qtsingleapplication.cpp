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

bool makeFolder(const QString &path, mode_t mode)
{
    return QDir().mkpath(path) && ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

uid_t nobody()
{
    const passwd *entry = ::getpwnam("nobody");
    return entry ? entry->pw_uid : uid_t(65534);
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
    void killedInstanceDoesNotBlockTheNext();
    void waitingInstanceTakesOverWhenTheFirstEnds();
    void identitiesAreSeparate();
    void messageInPiecesArrivesWholeAndIsConfirmed();
    void oversizedMessageIsDropped();
    void abandonedLockIsTakenOver_data();
    void abandonedLockIsTakenOver();
    void lockStaysInAPrivateFolder_data();
    void lockStaysInAPrivateFolder();
};

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
    auto first = std::make_unique<SingleInstance>(id);
    SingleInstance sameIdentity(id);
    SingleInstance otherIdentity(id + QStringLiteral("-other"));

    QVERIFY(!first->isRunning());
    QVERIFY(sameIdentity.isRunning());
    QVERIFY(sameIdentity.problem().isEmpty());
    QVERIFY(first->serverName() != otherIdentity.serverName());
    QVERIFY(first->lockFilePath() != otherIdentity.lockFilePath());
    // The holder has nobody to send to.
    QVERIFY(!first->sendMessage(QStringLiteral("--show"), 100));

    // Another identity (another build) has a claim of its own, but never on
    // the data folder the first one uses.
    QVERIFY(otherIdentity.isRunning());
    QVERIFY(otherIdentity.problem().contains(QStringLiteral("data folder")));
    first.reset();
    QVERIFY(!otherIdentity.isRunning());
    QVERIFY(otherIdentity.problem().isEmpty());

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
    QTest::addColumn<QByteArray>("left");
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("running");
    QTest::newRow("empty file") << QByteArray() << 3600 << false;
    QTest::newRow("garbage") << QByteArray("\x01\xff junk") << 3600 << false;
    QTest::newRow("folder") << QByteArray("folder") << 0 << false;
    // The process it names lives but holds no lock on it.
    QTest::newRow("names a living process") << QByteArray("living") << 3600 << false;
    QTest::newRow("empty file just being written") << QByteArray() << 0 << true;
}

void TestQtSingleApplication::abandonedLockIsTakenOver()
{
    QFETCH(QByteArray, left);
    QFETCH(int, ageSeconds);
    QFETCH(bool, running);
    SingleInstance instance(uniqueId() + QString::fromLatin1(QTest::currentDataTag()));
    const QString path = instance.lockFilePath();
    if (left == "living") {
        QLockFile real(path + QStringLiteral(".real"));
        QVERIFY(real.tryLock(0));
        QFile written(path + QStringLiteral(".real"));
        QVERIFY(written.open(QIODevice::ReadOnly));
        left = written.readAll();
    }
    QFile file(path);
    QVERIFY(left == "folder" ? QDir().mkpath(path + QStringLiteral("/inside"))
                             : file.open(QIODevice::WriteOnly));
    if (file.isOpen()) {
        QVERIFY(file.write(left) == left.size() && file.flush());
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds),
                                 QFileDevice::FileModificationTime));
        file.close();
    }

    QCOMPARE(instance.isRunning(), running);
    QVERIFY(instance.problem().isEmpty());
    qint64 pid = 0;
    QCOMPARE(QLockFile(path).getLockInfo(&pid, nullptr, nullptr) && pid == QCoreApplication::applicationPid(),
             !running);
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
    QTest::newRow("runtime folder not writable") << QStringLiteral("unwritable") << QStringLiteral("data");
    QTest::newRow("no folder usable") << QStringLiteral("none") << QStringLiteral("undecided");
    // A home path too long for a local socket in the data folder.
    QTest::newRow("no runtime folder, deep home") << QStringLiteral("deep") << QStringLiteral("data");
}

void TestQtSingleApplication::lockStaysInAPrivateFolder()
{
    QFETCH(QString, runtime);
    QFETCH(QString, where);
    const bool root = ::geteuid() == 0;
    uid_t user = ::geteuid();
    // Below the real temporary folder, so that another user can be given it.
    QTemporaryDir dir(QStringLiteral("/tmp/lkr-XXXXXX"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString name : {"HOME", "XDG_DATA_HOME", "TMPDIR"}) {
        QDir().mkpath(dir.filePath(name));
        environment.insert(name, dir.filePath(name));
    }
    const QString folder = dir.filePath(QStringLiteral("runtime"));
    const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
    QVERIFY(makeFolder(elsewhere, 0700));
    if (runtime == QLatin1String("link") || runtime == QLatin1String("none"))
        QVERIFY(QFile::link(elsewhere, folder));
    else if (runtime != QLatin1String("unset"))
        QVERIFY(makeFolder(folder,
                           runtime == QLatin1String("open")             ? 0777
                               : runtime == QLatin1String("unwritable") ? 0500
                                                                        : 0700));
    if (runtime == QLatin1String("foreign")) {
        if (!root)
            QSKIP("Only root can give a folder to another user");
        QCOMPARE(::chown(QFile::encodeName(folder).constData(), nobody(), nobody()), 0);
    }
    if (runtime == QLatin1String("unwritable")) {
        // Nor is the temporary folder writable. Root ignores permission bits:
        // the instances then run as another user, who owns the rest.
        QVERIFY(makeFolder(dir.filePath(QStringLiteral("TMPDIR")), 0555));
        if (root) {
            user = nobody();
            QCOMPARE(QProcess::execute(QStringLiteral("chown"),
                                       {QStringLiteral("-R"), QString::number(user), dir.path()}),
                     0);
            QCOMPARE(::chown(QFile::encodeName(dir.filePath(QStringLiteral("TMPDIR"))).constData(), 0, 0), 0);
        }
    }
    if (runtime == QLatin1String("deep")) {
        const QString home
            = dir.filePath(QStringLiteral("home-of-a-user-with-a-rather-long-name/") + QString(60, u'h'));
        QVERIFY(QDir().mkpath(home));
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    }
    if (user != ::geteuid()) {
        // A clone in a private folder (root's home, mode 0700) is out of the
        // other user's reach.
        Instance probe({}, environment, user);
        if (!probe.process().waitForFinished(15000) || probe.process().exitCode() != 2)
            QSKIP(qPrintable(QStringLiteral("User %1 cannot run %2 (a folder on its path is closed to "
                                            "others); the case needs a build others can reach")
                                 .arg(user)
                                 .arg(QStringLiteral(SINGLE_INSTANCE_HELPER))));
    }
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                       runtime == QLatin1String("unset") || runtime == QLatin1String("deep") ? QString()
                                                                                             : folder);
    if (runtime == QLatin1String("none"))
        environment.insert(QStringLiteral("XDG_DATA_HOME"), QStringLiteral("/dev/null/data"));

    const QString id = uniqueId();
    Instance first({QStringLiteral("serve"), id}, environment, user);
    if (where == QLatin1String("undecided")) {
        // Never a start without the claim: it might share its data with another.
        QVERIFY(first.process().waitForFinished(15000));
        QCOMPARE(first.lines().value(0), QStringLiteral("running"));
        QVERIFY(first.lines().value(1).contains(folder + QStringLiteral(" is a symbolic link")));
        return;
    }
    QVERIFY2(first.waitForLine(QStringLiteral("claimed")), qPrintable(first.lines().join('|')));
    const QString lock = first.lines().filter(QRegularExpression(QStringLiteral("^lock:"))).value(0).mid(5);
    QVERIFY2(lock.startsWith((where == QLatin1String("runtime") ? folder : environment.value("XDG_DATA_HOME"))
                             + '/'),
             qPrintable(lock));
    struct stat status;
    QVERIFY(::lstat(QFile::encodeName(QFileInfo(lock).path()).constData(), &status) == 0);
    QVERIFY(S_ISDIR(status.st_mode) && (status.st_mode & 0777) == 0700 && status.st_uid == user);
    // Nothing where others could have planted it; a socket too deep for its
    // folder goes to a private folder of ours.
    const QString socketFolder = environment.value("TMPDIR") + QStringLiteral("/linkora-%1").arg(user);
    QDirIterator planted(environment.value("TMPDIR"), {QStringLiteral("linkora-*")},
                         QDir::AllEntries | QDir::System | QDir::Hidden);
    if (runtime == QLatin1String("deep")) {
        QVERIFY(planted.hasNext());
        QCOMPARE(planted.next(), socketFolder);
        QVERIFY(::lstat(QFile::encodeName(socketFolder).constData(), &status) == 0);
        QVERIFY(S_ISDIR(status.st_mode) && (status.st_mode & 0777) == 0700 && status.st_uid == user);
    }
    QVERIFY(!planted.hasNext());

    Instance second({QStringLiteral("send"), id, QStringLiteral("--show")}, environment, user);
    QVERIFY(second.process().waitForFinished(15000));
    QCOMPARE(second.lines(), QStringList({QStringLiteral("running"), QStringLiteral("sent")}));
    QVERIFY(first.waitForLine(QStringLiteral("message:--show")));
}

LINKORA_TEST_MAIN(TestQtSingleApplication)
#include "tst_qtsingleapplication.moc"
