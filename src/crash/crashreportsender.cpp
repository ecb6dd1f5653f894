#include "crashreportsender.h"

#include "util/trace.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>

#include <climits>

namespace {

constexpr qint64 kMaxCheckpointSize = 1024;
constexpr int kMaxFirstLine = 127;

// A decimal number after optional blanks, as the C library's "%d" reads it;
// false for no digits or a value outside 32 bits.
bool readNumber(const QByteArray &text, qsizetype *pos, int *value)
{
    qsizetype i = *pos;
    while (i < text.size() && (text.at(i) == ' ' || (text.at(i) >= '\t' && text.at(i) <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == '-' || text.at(i) == '+')) {
        negative = text.at(i) == '-';
        ++i;
    }
    const qsizetype digitsStart = i;
    qint64 number = 0;
    while (i < text.size() && text.at(i) >= '0' && text.at(i) <= '9') {
        number = number * 10 + (text.at(i) - '0');
        if (number > qint64(INT_MAX) + 1)
            return false;
        ++i;
    }
    if (i == digitsStart)
        return false;
    number = negative ? -number : number;
    if (number > INT_MAX || number < INT_MIN)
        return false;
    *value = int(number);
    *pos = i;
    return true;
}

} // namespace

CrashReportSender::CrashReportSender(const QString &checkpointFile)
    : m_checkpointFile(checkpointFile)
{
    if (!m_checkpointFile.isEmpty())
        readCheckpoint();
}

int CrashReportSender::today() const
{
    const QDate date = m_today ? m_today() : QDateTime::currentDateTimeUtc().date();
    return date.year() * 10000 + date.month() * 100 + date.day();
}

CrashReportSender::ReportResult
CrashReportSender::sendCrashReport(const QUrl &url, const HttpUpload::Parameters &parameters,
                                   const QString &dumpFile, const QString &zipFile, QString *reportCode)
{
    const int day = today();
    if (day == m_lastSentDate && m_maxReportsPerDay != -1 && m_reportsSent >= m_maxReportsPerDay)
        return Throttled;

    int status = 0;
    if (HttpUpload::sendRequest(url, parameters, dumpFile, zipFile, m_limits, reportCode, &status)) {
        reportSent(day);
        return Sent;
    }
    return status >= 400 && status <= 499 ? Rejected : Failed;
}

void CrashReportSender::reportSent(int today)
{
    if (today != m_lastSentDate) {
        m_lastSentDate = today;
        m_reportsSent = 0;
    }
    ++m_reportsSent;
    if (m_checkpointFile.isEmpty())
        return;
    QSaveFile file(m_checkpointFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(formatCheckpoint(m_lastSentDate, m_reportsSent)) < 0
        || !file.commit())
        TRACE << "Could not write the crash report checkpoint" << m_checkpointFile;
}

void CrashReportSender::readCheckpoint()
{
    QFile file(m_checkpointFile);
    if (!file.open(QIODevice::ReadOnly))
        return;
    parseCheckpoint(file.read(kMaxCheckpointSize), &m_lastSentDate, &m_reportsSent);
}

bool CrashReportSender::parseCheckpoint(const QByteArray &text, int *lastSentDate, int *reportsSent)
{
    const qsizetype end = text.indexOf('\n');
    if (end < 0 || end > kMaxFirstLine || text.left(end) != "GBP1")
        return false;
    qsizetype pos = end + 1;
    int date = -1;
    if (!readNumber(text, &pos, &date)) {
        *lastSentDate = -1;
        return true;
    }
    *lastSentDate = date;
    int count = 0;
    *reportsSent = readNumber(text, &pos, &count) ? count : 0;
    return true;
}

QByteArray CrashReportSender::formatCheckpoint(int lastSentDate, int reportsSent)
{
    return "GBP1\n" + QByteArray::number(lastSentDate) + '\n' + QByteArray::number(reportsSent) + '\n';
}
