#include "zipper.h"

#include "util/trace.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <minizip/zip.h>
#include <zlib.h>

namespace Util {

namespace {

const int kBlockSize = 2048;

// minizip 1.1 walks zlib's CRC table (32-bit entries) as unsigned long, so
// where that type is wider its encrypted entries cannot be decrypted by anyone.
constexpr bool kEncryptionWorks = sizeof(unsigned long) == sizeof(z_crc_t);

zip_fileinfo fileInfoAt(const QDateTime &time)
{
    zip_fileinfo info = {};
    const QDate date = time.date();
    const QTime clock = time.time();
    // minizip wants the full year and the month counted from 0.
    info.tmz_date.tm_year = static_cast<uInt>(date.year());
    info.tmz_date.tm_mon = static_cast<uInt>(date.month() - 1);
    info.tmz_date.tm_mday = static_cast<uInt>(date.day());
    info.tmz_date.tm_hour = static_cast<uInt>(clock.hour());
    info.tmz_date.tm_min = static_cast<uInt>(clock.minute());
    info.tmz_date.tm_sec = static_cast<uInt>(clock.second());
    info.dosDate = 0;
    info.internal_fa = 0;
    info.external_fa = 0;
    return info;
}

} // namespace

Zipper::Zipper(const QString &path, bool append)
    : m_path(path)
    , m_append(append)
{
    openZip();
}

Zipper::~Zipper()
{
    closeZip();
}

bool Zipper::openZip()
{
    TRACE;
    closeZip();
    if (m_path.isEmpty())
        return false;
    if (m_append && !QFile::exists(m_path))
        m_append = false;
    m_zip = zipOpen(QFile::encodeName(m_path).constData(),
                    m_append ? APPEND_STATUS_CREATEAFTER : APPEND_STATUS_CREATE);
    return m_zip != nullptr;
}

bool Zipper::closeZip()
{
    TRACE;
    if (!m_zip)
        return true;
    const int result = zipClose(m_zip, nullptr);
    m_zip = nullptr;
    return result == ZIP_OK;
}

bool Zipper::addFileToZip(const QString &filePath, const QString &entryName)
{
    TRACE << filePath << entryName;
    if (!m_zip)
        return false;
    QFile file(filePath);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return false;

    const QFileInfo fileInfo(file);
    const zip_fileinfo info = fileInfoAt(fileInfo.lastModified());
    const QByteArray name = (entryName.isEmpty() ? fileInfo.fileName() : entryName).toUtf8();

    int result = zipOpenNewFileInZip(m_zip, name.constData(), &info, nullptr, 0, nullptr, 0, nullptr,
                                     Z_DEFLATED, Z_DEFAULT_COMPRESSION);
    if (result == ZIP_OK) {
        char buffer[kBlockSize];
        for (;;) {
            const qint64 read = file.read(buffer, kBlockSize);
            if (read < 0) {
                // A truncated entry must not pass for the whole file.
                result = ZIP_ERRNO;
                break;
            }
            if (read == 0)
                break;
            result = zipWriteInFileInZip(m_zip, buffer, static_cast<unsigned>(read));
            if (result != ZIP_OK)
                break;
        }
    }
    zipCloseFileInZip(m_zip);
    file.close();
    return result == ZIP_OK;
}

bool Zipper::openFileInZip(const QString &entryName, const QString &password, quint32 crc)
{
    if (!m_zip)
        return false;
    zipCloseFileInZip(m_zip);

    const zip_fileinfo info = fileInfoAt(QDateTime::currentDateTimeUtc());
    const QByteArray name = entryName.toUtf8();
    int result;
    if (password.isEmpty()) {
        result = zipOpenNewFileInZip(m_zip, name.constData(), &info, nullptr, 0, nullptr, 0, nullptr,
                                     Z_DEFLATED, Z_DEFAULT_COMPRESSION);
    } else if (!kEncryptionWorks) {
        TRACE_WARNING << "Encrypted entries are not supported with this minizip";
        return false;
    } else {
        const QByteArray secret = password.toUtf8();
        result = zipOpenNewFileInZip3(m_zip, name.constData(), &info, nullptr, 0, nullptr, 0, nullptr,
                                      Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                      Z_DEFAULT_STRATEGY, secret.constData(), crc);
    }
    TRACE << result;
    return result == ZIP_OK;
}

bool Zipper::writeToFileInZip(const QByteArray &data)
{
    if (!m_zip)
        return false;
    return zipWriteInFileInZip(m_zip, data.constData(), static_cast<unsigned>(data.size())) == ZIP_OK;
}

bool Zipper::closeFileInZip()
{
    if (!m_zip)
        return false;
    return zipCloseFileInZip(m_zip) == ZIP_OK;
}

} // namespace Util
