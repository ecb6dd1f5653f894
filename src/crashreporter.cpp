#include "crashreporter.h"

#include "crash/crashupload.h"
#include "crash/signalsafe.h"
#include "objfactory.h"
#include "phone/phone.h"
#include "talk/plixtalk.h"
#include "util/privatefolder.h"
#include "util/trace.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>

#include <atomic>
#include <cstring>

// Builds that can write and upload minidumps define their own identifier.
#ifndef LINKORA_CRASH_BUILD_ID
#define LINKORA_CRASH_BUILD_ID "none"
#endif
// The crash collector's submission address; a build without one keeps its dumps.
#ifndef LINKORA_CRASH_COLLECTOR_URL
#define LINKORA_CRASH_COLLECTOR_URL ""
#endif

namespace {

const char kProductName[] = "DravoDialer";
// A fixed text, not the application's version.
const char kReportVersion[] = "1.0.0";
const char kNotLogged[] = "Not logged";
constexpr int kUserNameLimit = 127;
constexpr int kStartupTimeLimit = 19;
constexpr int kBuildIdLimit = 15;
constexpr size_t kUserNameBytes = kUserNameLimit * 3 + 1;
constexpr size_t kCollectorBytes = 2048;
// A dump this old has no upload of its own running any more.
constexpr qint64 kLeftoverAgeSecs = 10 * 60;

int s_instanceCount = 0;

// What the crash handler reads. It may interrupt a write at any point, so
// the user name is written into the buffer not in use and then published.
char s_userNames[2][kUserNameBytes] = {"Not logged", "Not logged"};
std::atomic<int> s_userName {0};
char s_startupTime[kStartupTimeLimit + 1];
char s_buildId[kBuildIdLimit + 1];
char s_collector[kCollectorBytes];

// Copies UTF-8 text of at most limit UTF-16 units into a fixed buffer.
void copyField(char *to, size_t size, const QString &text, int limit)
{
    QString cut = text.left(limit);
    if (!cut.isEmpty() && cut.back().isHighSurrogate())
        cut.chop(1);
    const QByteArray utf8 = cut.toUtf8();
    const size_t n = qMin(size_t(utf8.size()), size - 1);
    memcpy(to, utf8.constData(), n);
    to[n] = '\0';
}

// The variables a fresh process needs to find the same folders and proxy.
QStringList keptEnvironment()
{
    return {QStringLiteral("HOME"),
            QStringLiteral("USER"),
            QStringLiteral("LOGNAME"),
            QStringLiteral("LANG"),
            QStringLiteral("LC_ALL"),
            QStringLiteral("LC_CTYPE"),
            QStringLiteral("TZ"),
            QStringLiteral("TMPDIR"),
            QStringLiteral("XDG_DATA_HOME"),
            QStringLiteral("XDG_CONFIG_HOME"),
            QStringLiteral("XDG_CACHE_HOME"),
            QStringLiteral("XDG_RUNTIME_DIR"),
            QStringLiteral("XDG_DATA_DIRS"),
            QStringLiteral("XDG_CONFIG_DIRS"),
            QStringLiteral("http_proxy"),
            QStringLiteral("https_proxy"),
            QStringLiteral("no_proxy"),
            QStringLiteral("HTTP_PROXY"),
            QStringLiteral("HTTPS_PROXY"),
            QStringLiteral("NO_PROXY"),
            QStringLiteral("LD_LIBRARY_PATH"),
            QStringLiteral("ASAN_OPTIONS"),
            QStringLiteral("LSAN_OPTIONS"),
            QStringLiteral("UBSAN_OPTIONS")};
}

} // namespace

class CrashReporter::Private
{
public:
    QPointer<Phone> phone;
};

CrashReporter::CrashReporter(QObject *parent)
    : QObject(parent)
{
    ++s_instanceCount;
    if (buildId() != QLatin1String("none"))
        setup(ObjFactory::instance()->phone());
}

CrashReporter::CrashReporter(Phone *phone, QObject *parent)
    : QObject(parent)
{
    ++s_instanceCount;
    if (buildId() != QLatin1String("none"))
        setup(phone);
}

CrashReporter::~CrashReporter()
{
    --s_instanceCount;
    delete d;
}

int CrashReporter::instanceCount()
{
    return s_instanceCount;
}

QString CrashReporter::buildId()
{
    return QStringLiteral(LINKORA_CRASH_BUILD_ID);
}

QString CrashReporter::dumpDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)
        + QStringLiteral("/win_dump");
}

void CrashReporter::setCollectorUrl(const QUrl &url)
{
    const QByteArray text = url.toEncoded();
    if (size_t(text.size()) >= kCollectorBytes || text.contains('\n') || text.contains('\r')) {
        TRACE << "Collector address refused";
        s_collector[0] = '\0';
        return;
    }
    memcpy(s_collector, text.constData(), size_t(text.size()));
    s_collector[text.size()] = '\0';
}

QUrl CrashReporter::collectorUrl()
{
    if (s_collector[0] == '\0' && LINKORA_CRASH_COLLECTOR_URL[0] != '\0')
        setCollectorUrl(QUrl(QStringLiteral(LINKORA_CRASH_COLLECTOR_URL)));
    return QUrl::fromEncoded(QByteArray(s_collector));
}

QString CrashReporter::reportUserName()
{
    return QString::fromUtf8(s_userNames[s_userName.load()]);
}

void CrashReporter::setReportUserName(const QString &name)
{
    QString clean = name;
    for (QChar &c : clean) {
        if (c.unicode() < 32 || c.unicode() == 127)
            c = QLatin1Char(' ');
    }
    const int next = 1 - s_userName.load();
    copyField(s_userNames[next], kUserNameBytes, clean, kUserNameLimit);
    s_userName.store(next);
}

void CrashReporter::onLoginCompleted()
{
    const talk::PlixTalk *talk = d && d->phone ? d->phone->talk() : nullptr;
    setReportUserName(talk ? talk->loginName() : QString());
}

void CrashReporter::onLoggedOut()
{
    setReportUserName(QString::fromLatin1(kNotLogged));
}

void CrashReporter::setup(Phone *phone)
{
    copyField(s_startupTime, sizeof(s_startupTime), QString::number(QDateTime::currentSecsSinceEpoch()),
              kStartupTimeLimit);
    copyField(s_buildId, sizeof(s_buildId), buildId(), kBuildIdLimit);
    collectorUrl();

    delete d;
    d = new Private;
    d->phone = phone;

    const QString folder = dumpDirectory();
    const PrivateFolder::Problem problem = PrivateFolder::make(folder);
    if (problem == PrivateFolder::None) {
        TRACE << "Setting up Win Crash Reporting path at " << folder;
        CrashUpload::pruneDumps(folder);
        initExceptionHandler();
        sendLeftoverDumps(folder);
    } else {
        // A link or a folder of someone else's would get our dumps, with
        // the user's memory and logs in them.
        TRACE << "No crash reporting: the dump folder" << folder << PrivateFolder::describe(problem);
    }

    if (phone) {
        connect(phone, &Phone::loginSuccessful, this, &CrashReporter::onLoginCompleted);
        connect(phone, &Phone::logoutSuccessful, this, &CrashReporter::onLoggedOut);
    }
}

// Reports that could not be sent after their crash (no network, a failing
// collector) are tried again by a start of the program, each in its own
// upload process, until they go or grow too old.
void CrashReporter::sendLeftoverDumps(const QString &folder)
{
    if (collectorUrl().isEmpty())
        return;
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-kLeftoverAgeSecs);
    const QFileInfoList dumps
        = QDir(folder).entryInfoList({QStringLiteral("*.dmp")}, QDir::Files, QDir::Time);
    for (const QFileInfo &dump : dumps) {
        if (dump.lastModified().toUTC() > before
            || !QFile::exists(CrashUpload::reportFileOf(dump.filePath())))
            continue;
        TRACE << "Sending the report of an earlier crash" << dump.fileName();
        QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                {QLatin1String(CrashUpload::kArgument), dump.absoluteFilePath()});
    }
}

void CrashReporter::initExceptionHandler()
{
    if (CrashHandler::isInstalled())
        return;
    TRACE << "Initializing the crash handler";
    if (!CrashHandler::install(QFile::encodeName(dumpDirectory()), &CrashReporter::filterCallback,
                               &CrashReporter::minidumpCallback, nullptr, keptEnvironment()))
        TRACE << "Crash handler not installed: the dump folder's path is too long";
}

// Runs in the crashed process. Closing the database, the talk library's logs
// and the trace log would take locks that the crashed code may hold; the logs
// are written line by line and SQLite recovers from its journal, so they are
// left as they are.
bool CrashReporter::filterCallback(void *, const CrashHandler::CrashInfo *)
{
    static const char kLine[] = "Before crash win function\n";
    SignalSafe::writeAll(2, kLine, sizeof(kLine) - 1);
    return true;
}

// Runs in the crashed process: leaves the report's fields beside the dump and
// starts the program again to send both.
bool CrashReporter::minidumpCallback(const char *dumpFolder, const char *dumpId, void *,
                                     const CrashHandler::CrashInfo *, bool)
{
    if (dumpId[0] == '\0')
        return true;

    SignalSafe::FixedText<kCollectorBytes + kUserNameBytes + 256> report;
    report.append("url=");
    report.append(s_collector);
    report.append("\nBuildID=");
    report.append(s_buildId);
    report.append("\nProductName=");
    report.append(kProductName);
    report.append("\nStartupTime=");
    report.append(s_startupTime);
    report.append("\nUsername=");
    report.append(s_userNames[s_userName.load()]);
    report.append("\nVersion=");
    report.append(kReportVersion);
    report.append("\n");

    SignalSafe::FixedText<CrashHandler::kMaxFolderLength + 64> reportPath;
    reportPath.append(dumpFolder);
    reportPath.append("/");
    reportPath.append(dumpId);
    reportPath.append(".report");
    if (!CrashHandler::writeNewFile(reportPath.data(), report.data(), report.size()))
        return true;
    if (s_collector[0] == '\0')
        return true;

    SignalSafe::FixedText<CrashHandler::kMaxFolderLength + 64> dumpPath;
    dumpPath.append(dumpFolder);
    dumpPath.append("/");
    dumpPath.append(dumpId);
    dumpPath.append(".dmp");
    const char *const argv[] = {"/proc/self/exe", CrashUpload::kArgument, dumpPath.data(), nullptr};
    CrashHandler::startProcess(argv);
    return true;
}
