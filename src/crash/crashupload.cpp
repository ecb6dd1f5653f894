#include "crashupload.h"

#include "crash/crashhandler.h"
#include "crashreporter.h"
#include "startup.h"
#include "talk/plixtalk.h"
#include "util/privatefolder.h"
#include "util/trace.h"
#include "util/util.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkProxyFactory>

#include <cstring>

namespace {

constexpr qint64 kMaxReportSize = 16 * 1024;
const char kReportSuffix[] = ".report";

// Only the crash reporter's own dumps may be sent: the mode is reachable
// from any command line.
bool isOwnDump(const QString &dumpFile)
{
    const QFileInfo info(dumpFile);
    if (info.suffix() != QLatin1String("dmp") || !CrashHandler::isDumpId(info.completeBaseName()))
        return false;
    // The folder itself must be ours: a link would lead anywhere.
    const QString folder = CrashReporter::dumpDirectory();
    if (PrivateFolder::check(folder) != PrivateFolder::None)
        return false;
    return info.canonicalPath() == QFileInfo(folder).canonicalFilePath() && info.isFile()
        && !info.isSymLink();
}

} // namespace

bool CrashUpload::isUploadRequest(int argc, char **argv)
{
    return argc >= 2 && argv[1] && std::strcmp(argv[1], kArgument) == 0;
}

int CrashUpload::run(int argc, char **argv)
{
    if (QCoreApplication::applicationName().isEmpty())
        Startup::setupApplicationIdentity();
    QCoreApplication app(argc, argv);
    // The collector is reached the way the system reaches the web.
    QNetworkProxyFactory::setUseSystemConfiguration(true);

    const QString dumpFile = argc >= 3 ? QFile::decodeName(argv[2]) : QString();
    if (!isOwnDump(dumpFile)) {
        TRACE << "Not a crash dump of this program:" << dumpFile;
        return 2;
    }
    pruneDumps(QFileInfo(dumpFile).absolutePath());
    if (!QFileInfo::exists(dumpFile))
        return 1;
    return upload(dumpFile, HttpUpload::Limits()) == CrashReportSender::Sent ? 0 : 1;
}

CrashReportSender::ReportResult CrashUpload::upload(const QString &dumpFile, const HttpUpload::Limits &limits)
{
    // No checkpoint and no daily maximum: every crash is reported.
    CrashReportSender sender {QString()};
    sender.setLimits(limits);

    QUrl collector;
    HttpUpload::Parameters fields;
    const QString reportFile = reportFileOf(dumpFile);
    if (!readReport(reportFile, &collector, &fields)) {
        TRACE << "No crash report beside" << dumpFile;
        return CrashReportSender::Failed;
    }
    TRACE << "Sending crash with ProductName:" << fields.value(QStringLiteral("ProductName"));

    const QString zipFile = Util::createZippedLogsFile();
    const CrashReportSender::ReportResult result
        = sender.sendCrashReport(collector, fields, dumpFile, zipFile);
    TRACE << "Crash HTTP uploading result " << int(result);

    if (result == CrashReportSender::Sent) {
        QFile::remove(dumpFile);
        QFile::remove(reportFile);
        talk::PlixTalk::removeZippedLogsFile();
    }
    return result;
}

QString CrashUpload::reportFileOf(const QString &dumpFile)
{
    QString report = dumpFile;
    if (report.endsWith(QLatin1String(".dmp")))
        report.chop(4);
    return report + QLatin1String(kReportSuffix);
}

bool CrashUpload::readReport(const QString &reportFile, QUrl *collector, HttpUpload::Parameters *fields)
{
    QFile file(reportFile);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxReportSize)
        return false;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QString key = QString::fromUtf8(line.left(equals));
        const QString value = QString::fromUtf8(line.mid(equals + 1));
        if (key == QLatin1String("url"))
            *collector = QUrl(value, QUrl::StrictMode);
        else
            fields->insert(key, value);
    }
    return collector->isValid() && !collector->isEmpty();
}

void CrashUpload::pruneDumps(const QString &folder, const QDateTime &now)
{
    QDir dir(folder);
    const QFileInfoList dumps = dir.entryInfoList({QStringLiteral("*.dmp")}, QDir::Files, QDir::Time);
    const qint64 oldest = now.toSecsSinceEpoch() - qint64(kMaxDumpAgeDays) * 24 * 60 * 60;
    int kept = 0;
    for (const QFileInfo &dump : dumps) {
        const bool tooOld = dump.lastModified().toSecsSinceEpoch() < oldest;
        if (!tooOld && kept < kMaxDumps) {
            ++kept;
            continue;
        }
        TRACE << "Dropping crash dump" << dump.fileName();
        QFile::remove(dump.absoluteFilePath());
        QFile::remove(reportFileOf(dump.absoluteFilePath()));
    }
    // Report files whose dump is gone.
    const QFileInfoList reports = dir.entryInfoList({QStringLiteral("*.report")}, QDir::Files);
    for (const QFileInfo &report : reports) {
        if (!QFileInfo::exists(dir.filePath(report.completeBaseName() + QStringLiteral(".dmp"))))
            QFile::remove(report.absoluteFilePath());
    }
}
