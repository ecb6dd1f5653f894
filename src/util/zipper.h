#ifndef ZIPPER_H
#define ZIPPER_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace Util {

// Writes a zip archive through minizip. The archive is opened on construction
// and closed when the zipper goes away.
class Zipper
{
    Q_DISABLE_COPY(Zipper)

public:
    // With append set and a file already at path, the archive is written after
    // that file's contents instead of replacing it.
    explicit Zipper(const QString &path, bool append = false);
    ~Zipper();

    bool openZip();
    // True when nothing was open or the archive was closed cleanly.
    bool closeZip();

    // Deflates the file into a new entry named entryName (the file's own name
    // when empty), dated with the file's last change.
    bool addFileToZip(const QString &filePath, const QString &entryName = QString());

    // An entry written from memory. With a password the entry is encrypted; crc
    // must then be the CRC-32 of the data to come. Refused where the linked
    // minizip cannot encrypt correctly.
    bool openFileInZip(const QString &entryName, const QString &password = QString(), quint32 crc = 0);
    bool writeToFileInZip(const QByteArray &data);
    bool closeFileInZip();

private:
    QString m_path;
    void *m_zip = nullptr; // minizip's zipFile
    bool m_append;
};

} // namespace Util

#endif // ZIPPER_H
