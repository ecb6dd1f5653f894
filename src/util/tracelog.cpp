#include "tracelog.h"

#include "trace.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QStandardPaths>

#include <cstdlib>

namespace {

QMutex s_mutex;
QFile *s_file = nullptr;
QtMessageHandler s_previousHandler = nullptr;
qint64 s_maxFileSize = TraceLog::DefaultMaxFileSize;
// Known at install: the handler must not look paths up while it holds the lock.
QString s_olderPath;
// A message raised while writing a line (Qt warns from QFile, say) must not recurse.
thread_local bool t_inHandler = false;

const char *tagOf(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
    case QtInfoMsg:
        return "[DBG]";
    case QtWarningMsg:
        return "[WRN]";
    case QtCriticalMsg:
        return "[CRI]";
    case QtFatalMsg:
        return "[FTL]";
    }
    return "[DBG]";
}

// Moves the full file aside and starts an empty one; called with the lock held.
void moveFileAside()
{
    const QString path = s_file->fileName();
    s_file->close();
    QFile::remove(s_olderPath);
    QFile::rename(path, s_olderPath);
    // When the move failed the lines so far are lost rather than the disk filled.
    s_file->open(QIODevice::WriteOnly | QIODevice::Truncate);
}

} // namespace

QString TraceLog::logDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/logs");
}

QString TraceLog::logFilePath()
{
    return logDirectory() + QStringLiteral("/plixtrace.log");
}

QString TraceLog::olderLogFilePath()
{
    return logDirectory() + QStringLiteral("/plixtrace.1.log");
}

void TraceLog::setMaxFileSize(qint64 bytes)
{
    QMutexLocker locker(&s_mutex);
    s_maxFileSize = bytes;
}

bool TraceLog::install()
{
    const QString dir = logDirectory();
    if (!QDir().mkpath(dir)) {
        TRACE << "Could not create directory for logging:" << dir;
        return false;
    }
    const QString path = logFilePath();
    TRACE << path;
    // Lines of an earlier run are not kept: the file is truncated below too.
    QFile::remove(olderLogFilePath());

    auto *file = new QFile(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        TRACE << "Unable to open log file, error:" << int(file->error()) << file->errorString();
        delete file;
        return false;
    }
    {
        QMutexLocker locker(&s_mutex);
        delete s_file;
        s_file = file;
        s_olderPath = olderLogFilePath();
    }
    QtMessageHandler previous = qInstallMessageHandler(&TraceLog::messageHandler);
    if (previous != &TraceLog::messageHandler)
        s_previousHandler = previous;

    TRACE << "Started the log file at:" << path;
    TRACE << "Application Version:" << QCoreApplication::applicationVersion();
    return true;
}

void TraceLog::uninstall()
{
    if (!isInstalled())
        return;
    TRACE << "Closing up the log file";
    qInstallMessageHandler(nullptr);

    QMutexLocker locker(&s_mutex);
    s_file->close();
    delete s_file;
    s_file = nullptr;
    s_previousHandler = nullptr;
}

bool TraceLog::isInstalled()
{
    QMutexLocker locker(&s_mutex);
    return s_file != nullptr;
}

QString TraceLog::formatLine(QtMsgType type, const QString &message)
{
    QString text = message;
    if (text.size() > MaxMessageLength) {
        const qsizetype cut = text.size() - MaxMessageLength;
        text.truncate(MaxMessageLength);
        text += QStringLiteral("... [%1 characters cut]").arg(cut);
    }
    return QStringLiteral("%1%2 %3").arg(
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy_MM_dd__hh_mm_ss.zzz")),
        QLatin1String(tagOf(type)), text);
}

void TraceLog::messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (t_inHandler) {
        if (s_previousHandler)
            s_previousHandler(type, context, message);
        return;
    }
    t_inHandler = true;

    const QString line = formatLine(type, message);
    QtMessageHandler previous = nullptr;
    {
        // Qt traces from its own threads too: one whole line at a time.
        QMutexLocker locker(&s_mutex);
        if (s_file) {
            s_file->write(line.toUtf8());
            s_file->write("\n", 1);
            s_file->flush();
            if (s_file->size() > s_maxFileSize)
                moveFileAside();
        }
        previous = s_previousHandler;
    }
    if (previous)
        previous(type, context, line);

    t_inHandler = false;
    if (type == QtFatalMsg)
        std::abort();
}
