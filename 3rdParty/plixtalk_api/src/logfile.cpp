#include "logfile.h"

#include <QDateTime>
#include <QString>

namespace standin {

bool LogFile::open(const char *path)
{
    close();
    m_file.setFileName(QString::fromUtf8(path));
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    write("Log started");
    return true;
}

bool LogFile::close()
{
    if (!m_file.isOpen())
        return false;
    write("Log closed");
    m_file.close();
    return true;
}

void LogFile::write(const std::string &line)
{
    if (!m_file.isOpen())
        return;
    const QByteArray stamp
        = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz ")).toUtf8();
    m_file.write(stamp + QByteArray::fromStdString(line) + '\n');
    m_file.flush();
}

} // namespace standin
