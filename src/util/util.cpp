#include "util.h"

#include "talk/plixtalk.h"
#include "util/trace.h"
#include "util/tracelog.h"
#include "util/zipper.h"

#include <QFile>
#include <QMap>
#include <QTextDocument>

namespace Util {

namespace {

bool isUsableInterface(QNetworkInterface::InterfaceFlags flags)
{
    return !flags.testFlag(QNetworkInterface::IsLoopBack)
        && !flags.testFlag(QNetworkInterface::IsPointToPoint) && flags.testFlag(QNetworkInterface::IsUp)
        && flags.testFlag(QNetworkInterface::IsRunning);
}

} // namespace

QNetworkInformation *networkInformation()
{
    // Loaded once, whichever thread asks first; the others wait for it.
    static const bool loaded = [] {
        if (!QNetworkInformation::instance() && !QNetworkInformation::loadDefaultBackend())
            QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
        if (QNetworkInformation *info = QNetworkInformation::instance())
            TRACE << "Network information from" << info->backendName();
        else
            TRACE << "No network information back end; judging by the interfaces alone";
        return true;
    }();
    Q_UNUSED(loaded)
    return QNetworkInformation::instance();
}

QString createZippedLogsFile()
{
    const QString zipPath
        = QStringLiteral("%0/%1").arg(talk::PlixTalk::logsDir(), QStringLiteral("logs.zip"));
    Zipper zipper(zipPath, false);

    QMap<QString, QString> files;
    files.insert(QStringLiteral("plixtalk.log"), talk::PlixTalk::talkLogFilePath());
    files.insert(QStringLiteral("plixtrace.log"), talk::PlixTalk::traceLogFilePath());
    files.insert(QStringLiteral("plixxmpp.log"), talk::PlixTalk::xmppLogFilePath());
    // The trace lines before the file last moved aside, when it did.
    if (QFile::exists(TraceLog::olderLogFilePath()))
        files.insert(QStringLiteral("plixtrace.1.log"), TraceLog::olderLogFilePath());
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (!zipper.addFileToZip(it.value(), it.key()))
            TRACE << "Error adding" << it.key() << "to zip file";
    }

    zipper.closeZip();
    return zipPath;
}

bool hasNetworkConnectivity()
{
    QList<QNetworkInterface::InterfaceFlags> interfaces;
    const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &networkInterface : all)
        interfaces << networkInterface.flags();

    QNetworkInformation::Reachability reachability = QNetworkInformation::Reachability::Unknown;
    if (const QNetworkInformation *info = networkInformation())
        reachability = info->reachability();

    const bool online = hasNetworkConnectivity(interfaces, reachability);
    TRACE << reachability << online;
    return online;
}

bool hasNetworkConnectivity(const QList<QNetworkInterface::InterfaceFlags> &interfaces,
                            QNetworkInformation::Reachability reachability)
{
    bool usable = false;
    for (const QNetworkInterface::InterfaceFlags flags : interfaces)
        usable = usable || isUsableInterface(flags);
    if (!usable)
        return false;
    // Local and Site count as connected: the service may well be reachable
    // through an intranet proxy without the system seeing the Internet.
    return reachability != QNetworkInformation::Reachability::Disconnected;
}

QString plainToolTip(const QString &text)
{
    if (text.isEmpty())
        return QString();
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap);
}

} // namespace Util
