#include "multipartreader.h"

namespace {

// The value of name="..." in a Content-Disposition line; null when absent.
QByteArray dispositionValue(const QByteArray &line, const QByteArray &key)
{
    const QByteArray marker = "; " + key + "=\"";
    const qsizetype start = line.indexOf(marker);
    if (start < 0)
        return QByteArray();
    const qsizetype from = start + marker.size();
    const qsizetype end = line.indexOf('"', from);
    return end < 0 ? QByteArray() : line.mid(from, end - from);
}

} // namespace

bool readMultipart(const QByteArray &contentType, const QByteArray &body, QList<MultipartPart> *parts)
{
    parts->clear();
    if (!contentType.startsWith("multipart/form-data; boundary="))
        return false;
    const QByteArray boundary = contentType.mid(qsizetype(sizeof("multipart/form-data; boundary=") - 1));
    if (boundary.isEmpty())
        return false;
    const QByteArray delimiter = "--" + boundary;
    if (!body.startsWith(delimiter + "\r\n"))
        return false;

    qsizetype at = delimiter.size() + 2;
    for (;;) {
        const qsizetype headerEnd = body.indexOf("\r\n\r\n", at);
        if (headerEnd < 0)
            return false;
        MultipartPart part;
        const QList<QByteArray> headers = body.mid(at, headerEnd - at).split('\n');
        for (QByteArray header : headers) {
            header = header.trimmed();
            if (header.startsWith("Content-Disposition: form-data")) {
                part.name = dispositionValue(header, "name");
                part.fileName = dispositionValue(header, "filename");
            } else if (header.startsWith("Content-Type: ")) {
                part.contentType = header.mid(14);
            } else {
                return false;
            }
        }
        const qsizetype dataStart = headerEnd + 4;
        const qsizetype next = body.indexOf("\r\n" + delimiter, dataStart);
        if (next < 0)
            return false;
        part.data = body.mid(dataStart, next - dataStart);
        parts->append(part);
        at = next + 2 + delimiter.size();
        if (body.mid(at) == "--\r\n")
            return true;
        if (body.mid(at, 2) != "\r\n")
            return false;
        at += 2;
    }
}
