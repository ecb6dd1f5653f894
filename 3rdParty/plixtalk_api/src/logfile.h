#ifndef STANDIN_LOGFILE_H
#define STANDIN_LOGFILE_H

#include <QFile>

#include <string>

namespace standin {

// One of the library's two log files, written line by line with a time stamp.
class LogFile
{
public:
    // Starts the file afresh; false when it cannot be written.
    bool open(const char *path);
    // False when no file was open.
    bool close();
    void write(const std::string &line);

private:
    QFile m_file;
};

} // namespace standin

#endif // STANDIN_LOGFILE_H
