#include "httpupload.h"

#include "util/trace.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QTimer>

namespace {

const char kUserAgent[] = "Breakpad/1.0 (Windows)";
constexpr qint64 kMaxFileSize = Q_INT64_C(4) * 1024 * 1024 * 1024;

bool isFieldNameCharacter(QChar c)
{
    return c.unicode() >= 32 && c.unicode() <= 127 && c != QLatin1Char('"');
}

bool holdsLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

void appendLine(QByteArray *body, const QByteArray &line)
{
    body->append(line);
    body->append("\r\n", 2);
}

} // namespace

bool HttpUpload::checkParameters(const Parameters &parameters)
{
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it) {
        if (it.key().isEmpty() || holdsLineBreak(it.key()) || holdsLineBreak(it.value()))
            return false;
        for (const QChar c : it.key()) {
            if (!isFieldNameCharacter(c))
                return false;
        }
    }
    return true;
}

QString HttpUpload::generateMultipartBoundary()
{
    // The system's source, not an unseeded generator: every process would
    // otherwise use the same boundary, which a field could then forge.
    const quint32 first = QRandomGenerator::system()->generate();
    const quint32 second = QRandomGenerator::system()->generate();
    return QString(27, QLatin1Char('-'))
        + QStringLiteral("%1%2")
              .arg(first, 8, 16, QLatin1Char('0'))
              .arg(second, 8, 16, QLatin1Char('0'))
              .toUpper();
}

QString HttpUpload::generateRequestHeader(const QString &boundary)
{
    return QStringLiteral("Content-Type: multipart/form-data; boundary=") + boundary;
}

bool HttpUpload::getFileContents(const QString &path, QByteArray *contents)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.size() >= kMaxFileSize)
        return false;
    *contents = file.readAll();
    return file.error() == QFileDevice::NoError;
}

bool HttpUpload::generateRequestBody(const Parameters &parameters, const QString &dumpFile,
                                     const QString &zipFile, const QString &boundary, QByteArray *body)
{
    const QByteArray b = boundary.toUtf8();
    // The name alone: the full path would carry the home folder, and with it
    // the user's name.
    const QByteArray dumpName = QFileInfo(dumpFile).fileName().toUtf8();
    if (b.isEmpty() || dumpName.isEmpty() || dumpName.contains('"')
        || holdsLineBreak(QString::fromUtf8(dumpName)))
        return false;

    QByteArray dump;
    QByteArray zip;
    if (!getFileContents(dumpFile, &dump) || !getFileContents(zipFile, &zip))
        return false;

    QByteArray out;
    out.reserve(dump.size() + zip.size() + 1024);
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it) {
        appendLine(&out, "--" + b);
        appendLine(&out, "Content-Disposition: form-data; name=\"" + it.key().toUtf8() + '"');
        appendLine(&out, QByteArray());
        appendLine(&out, it.value().toUtf8());
    }

    appendLine(&out, "--" + b);
    appendLine(&out,
               "Content-Disposition: form-data; name=\"upload_file_minidump\"; filename=\"" + dumpName + '"');
    appendLine(&out, "Content-Type: application/octet-stream");
    appendLine(&out, QByteArray());
    appendLine(&out, dump);

    appendLine(&out, "--" + b);
    appendLine(&out, "Content-Disposition: form-data; name=\"zipped_logs\"; filename=\"logs.zip\"");
    appendLine(&out, "Content-Type: application/zip");
    appendLine(&out, QByteArray());
    appendLine(&out, zip);

    appendLine(&out, "--" + b + "--");
    *body = out;
    return true;
}

bool HttpUpload::sendRequest(const QUrl &url, const Parameters &parameters, const QString &dumpFile,
                             const QString &zipFile, const Limits &limits, QString *responseText,
                             int *responseCode)
{
    if (responseCode)
        *responseCode = 0;
    if (!checkParameters(parameters)) {
        TRACE << "Refusing report fields";
        return false;
    }
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        TRACE << "Not a collector address:" << url.toString();
        return false;
    }

    const QString boundary = generateMultipartBoundary();
    QByteArray body;
    if (!generateRequestBody(parameters, dumpFile, zipFile, boundary, &body)) {
        TRACE << "Could not read the report files";
        return false;
    }

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArray("multipart/form-data; boundary=" + boundary.toUtf8()));
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kUserAgent));
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(limits.transferTimeoutMs);

    QNetworkAccessManager manager;
    QNetworkReply *reply = manager.post(request, body);

    QEventLoop loop;
    QTimer connectTimer;
    connectTimer.setSingleShot(true);
    QTimer deadline;
    deadline.setSingleShot(true);
    bool tooLong = false;
    QByteArray answer;

    const auto giveUp = [reply]() {
        reply->abort();
    };
    QObject::connect(&connectTimer, &QTimer::timeout, reply, giveUp);
    QObject::connect(&deadline, &QTimer::timeout, reply, giveUp);
    QObject::connect(reply, &QNetworkReply::uploadProgress, &connectTimer,
                     [&connectTimer](qint64 sent, qint64) {
                         if (sent > 0)
                             connectTimer.stop();
                     });
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [&]() {
        connectTimer.stop();
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > limits.maxResponseBytes) {
            tooLong = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&]() {
        answer += reply->read(limits.maxResponseBytes + 1 - answer.size());
        if (answer.size() > limits.maxResponseBytes) {
            tooLong = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);

    connectTimer.start(limits.connectTimeoutMs);
    deadline.start(limits.transferTimeoutMs);
    if (!reply->isFinished())
        loop.exec();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && responseCode)
        *responseCode = status.toInt();
    if (!tooLong && reply->error() == QNetworkReply::NoError)
        answer += reply->read(limits.maxResponseBytes + 1 - answer.size());

    const bool complete
        = !tooLong && answer.size() <= limits.maxResponseBytes && reply->error() == QNetworkReply::NoError;
    if (!complete)
        TRACE << "Upload ended with" << reply->error() << (tooLong ? "(answer too long)" : "");
    const bool ok = complete && status.toInt() == 200;
    if (ok && responseText)
        *responseText = QString::fromUtf8(answer);
    delete reply;
    return ok;
}
