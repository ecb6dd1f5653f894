#ifndef HTTPUPLOAD_H
#define HTTPUPLOAD_H

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QUrl>
#include <QtGlobal>

// Sends one crash report to the crash collector: a single multipart/form-data
// POST carrying the report's text fields, the minidump and the zipped logs.
// It runs in the upload process started after a crash (a fresh, healthy
// process), never inside the crashed one, and waits for the answer in a
// local event loop.
class HttpUpload
{
public:
    HttpUpload() = delete;

    // Field name to value, sent in ascending name order.
    using Parameters = QMap<QString, QString>;

    struct Limits
    {
        // Until the collector has taken the first bytes of the request.
        int connectTimeoutMs = 10000;
        // The whole exchange, request and answer.
        int transferTimeoutMs = 60000;
        // A longer answer fails the upload; nothing larger is ever held.
        qint64 maxResponseBytes = 64 * 1024;
    };

    // True only when the collector answered 200 and its whole answer was read
    // (as long as it announced, within the cap). responseCode, when given, is
    // 0 until a status arrives, then that status.
    static bool sendRequest(const QUrl &url, const Parameters &parameters, const QString &dumpFile,
                            const QString &zipFile, const Limits &limits, QString *responseText = nullptr,
                            int *responseCode = nullptr);

    // False when a name is empty or holds a character below 32, a double quote
    // or one above 127, or when a name or a value holds CR or LF (which could
    // forge parts of the body).
    static bool checkParameters(const Parameters &parameters);

    // 27 "-" followed by 16 upper-case hexadecimal digits from the system's
    // random source: a new one for every report.
    static QString generateMultipartBoundary();
    // "Content-Type: multipart/form-data; boundary=" followed by the boundary.
    static QString generateRequestHeader(const QString &boundary);
    // False when a file cannot be read, the boundary is empty, or the dump's
    // file name (all of its path the body carries) is empty or would break
    // its header line.
    static bool generateRequestBody(const Parameters &parameters, const QString &dumpFile,
                                    const QString &zipFile, const QString &boundary, QByteArray *body);
    // The whole file; false when it cannot be opened or is 4 GiB or larger.
    static bool getFileContents(const QString &path, QByteArray *contents);

    static constexpr int kBoundaryLength = 43;
};

#endif // HTTPUPLOAD_H
