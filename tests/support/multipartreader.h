#ifndef MULTIPARTREADER_H
#define MULTIPARTREADER_H

#include <QByteArray>
#include <QList>

// Reads a multipart/form-data body the way a collector does, from the
// boundary its Content-Type names: written apart from the program's own
// writer, so that the tests check one against the other.
struct MultipartPart
{
    QByteArray name;
    QByteArray fileName; // null when the part is no file
    QByteArray contentType;
    QByteArray data;
};

// False when the type names no boundary or the body does not follow it
// (a missing closing delimiter included).
bool readMultipart(const QByteArray &contentType, const QByteArray &body, QList<MultipartPart> *parts);

#endif // MULTIPARTREADER_H
