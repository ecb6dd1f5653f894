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

    // "<data location>/logs"
    static QString logDirectory();
    // "<data location>/logs/plixtrace.log"
    static QString logFilePath();

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
