#ifndef CRASHUPLOAD_H
#define CRASHUPLOAD_H

#include "crash/crashhandler.h"
#include "crash/crashreportsender.h"
#include "crash/httpupload.h"

#include <QDateTime>
#include <QString>
#include <QUrl>

// The program's upload mode: after a crash the crashed process starts the
// program again as "<program> --crash-upload <dump>", and this healthy
// process zips the logs, sends the report and, once the collector has
// accepted it, deletes the dump, its report file and the zip.
class CrashUpload
{
public:
    CrashUpload() = delete;

    static constexpr char kArgument[] = "--crash-upload";
    static constexpr int kMaxDumps = CrashHandler::kMaxDumps;
    static constexpr int kMaxDumpAgeDays = 30;

    // Whether the command line asks for the upload mode.
    static bool isUploadRequest(int argc, char **argv);
    // The whole upload mode, with its own application object; the exit code
    // is 0 when the report was sent.
    static int run(int argc, char **argv);

    // Sends the dump with the fields of its report file ("<id>.report" beside
    // it) and the zipped logs.
    static CrashReportSender::ReportResult upload(const QString &dumpFile, const HttpUpload::Limits &limits);

    // "url=<collector>" and "<field>=<value>" lines; false when the file
    // cannot be read or names no collector.
    static bool readReport(const QString &reportFile, QUrl *collector, HttpUpload::Parameters *fields);
    // The report file that belongs to a dump.
    static QString reportFileOf(const QString &dumpFile);

    // Keeps the newest kMaxDumps dumps of the folder that are at most
    // kMaxDumpAgeDays old, with their report files, and deletes the rest.
    static void pruneDumps(const QString &folder, const QDateTime &now = QDateTime::currentDateTimeUtc());
};

#endif // CRASHUPLOAD_H
