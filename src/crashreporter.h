#ifndef CRASHREPORTER_H
#define CRASHREPORTER_H

#include <QObject>
#include <QString>

// Arms crash reporting for the life of the program: main keeps one on its
// stack. A build whose build identifier is "none" reports nothing.
class CrashReporter : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CrashReporter)

public:
    explicit CrashReporter(QObject *parent = nullptr);
    // The crash handler, once installed, stays until the process ends.
    ~CrashReporter() override;

    // How many crash reporters exist right now.
    static int instanceCount();
    // The build identifier sent with a report; "none" turns reporting off.
    static QString buildId();

private:
    void setup();
};

#endif // CRASHREPORTER_H
