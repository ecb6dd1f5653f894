#ifndef TRACELOG_H
#define TRACELOG_H

#include <QString>
#include <QtGlobal>

// The process-wide message handler that writes every Qt message, time-stamped
// and tagged, into "plixtrace.log". Installed once at start-up by the
// application object; removed by the crash reporter before it writes a report.
class TraceLog
{
public:
    TraceLog() = delete;

    // The file is moved aside past this size, replacing the older file.
    static constexpr qint64 DefaultMaxFileSize = 10 * 1024 * 1024;
    // A longer message is cut to this many characters.
    static constexpr int MaxMessageLength = 8192;

    // "<data location>/logs"
    static QString logDirectory();
    // "<data location>/logs/plixtrace.log"
    static QString logFilePath();
    // "<data location>/logs/plixtrace.1.log": the lines before the last move.
    static QString olderLogFilePath();
    static void setMaxFileSize(qint64 bytes);

    // Truncates the log file and installs the handler; false when the file
    // cannot be made (the program then runs without a log file).
    static bool install();
    // Writes the closing line and restores Qt's built-in output.
    static void uninstall();
    static bool isInstalled();

    static void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);
    // "%1%2 %3": time, tag and text.
    static QString formatLine(QtMsgType type, const QString &message);
};

#endif // TRACELOG_H
