#ifndef CRASHREPORTSENDER_H
#define CRASHREPORTSENDER_H

#include "crash/httpupload.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QUrl>

#include <functional>

// Decides whether a crash report may be sent today and sends it. With a
// checkpoint file and a daily maximum it remembers, across runs, how many
// reports went out on the last day one did.
class CrashReportSender
{
    Q_DISABLE_COPY(CrashReportSender)

public:
    enum ReportResult {
        Failed = 0,
        Rejected = 1,
        Sent = 2,
        Throttled = 3,
    };

    // An empty name keeps no checkpoint.
    explicit CrashReportSender(const QString &checkpointFile);

    // -1 (the default) sends every report.
    void setMaxReportsPerDay(int maximum) { m_maxReportsPerDay = maximum; }
    int maxReportsPerDay() const { return m_maxReportsPerDay; }
    // year * 10000 + month * 100 + day (UTC) of the last report sent, or -1.
    int lastSentDate() const { return m_lastSentDate; }
    int reportsSent() const { return m_reportsSent; }

    // Today's UTC date; tests move the clock.
    void setClock(const std::function<QDate()> &today) { m_today = today; }
    void setLimits(const HttpUpload::Limits &limits) { m_limits = limits; }

    // reportCode, when given, receives the collector's answer.
    ReportResult sendCrashReport(const QUrl &url, const HttpUpload::Parameters &parameters,
                                 const QString &dumpFile, const QString &zipFile,
                                 QString *reportCode = nullptr);

    // Reads "GBP1\n<date>\n<count>\n" into the two values; false (values
    // untouched) when the first line is anything else. A missing or bad date
    // gives -1 and count 0; a missing or bad count gives 0.
    static bool parseCheckpoint(const QByteArray &text, int *lastSentDate, int *reportsSent);
    static QByteArray formatCheckpoint(int lastSentDate, int reportsSent);

private:
    int today() const;
    void reportSent(int today);
    void readCheckpoint();

    QString m_checkpointFile;
    int m_maxReportsPerDay = -1;
    int m_lastSentDate = -1;
    int m_reportsSent = 0;
    std::function<QDate()> m_today;
    HttpUpload::Limits m_limits;
};

#endif // CRASHREPORTSENDER_H
