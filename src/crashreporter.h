#ifndef CRASHREPORTER_H
#define CRASHREPORTER_H

#include "crash/crashhandler.h"

#include <QObject>
#include <QString>
#include <QUrl>

class Phone;

// Arms crash reporting for the life of the program: main keeps one on its
// stack. After a crash a minidump is written into the dump folder and the
// program is started again in its upload mode (CrashUpload) to send it with
// the zipped logs and the report's fields. A build whose build identifier is
// "none" reports nothing.
class CrashReporter : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CrashReporter)

public:
    // Follows the logins of the service locator's Phone.
    explicit CrashReporter(QObject *parent = nullptr);
    // Follows the logins of the given Phone (may be null).
    CrashReporter(Phone *phone, QObject *parent);
    // The crash handler, once installed, stays until the process ends.
    ~CrashReporter() override;

    // How many crash reporters exist right now.
    static int instanceCount();
    // The build identifier sent with a report; "none" turns reporting off.
    static QString buildId();
    // "<data location>/win_dump"
    static QString dumpDirectory();

    // Where reports go; empty (the default of a build that names no
    // collector) keeps the dumps without sending them.
    static void setCollectorUrl(const QUrl &url);
    static QUrl collectorUrl();

    // The user name a report would carry now: "Not logged" or the login name.
    static QString reportUserName();
    // Sets it (cut to 127 characters; control characters become blanks).
    static void setReportUserName(const QString &name);

private slots:
    void onLoginCompleted();
    void onLoggedOut();

private:
    class Private;

    void setup(Phone *phone);
    void initExceptionHandler();
    void sendLeftoverDumps(const QString &folder);
    static bool filterCallback(void *context, const CrashHandler::CrashInfo *info);
    static bool minidumpCallback(const char *dumpFolder, const char *dumpId, void *context,
                                 const CrashHandler::CrashInfo *info, bool succeeded);

    Private *d = nullptr;
};

#endif // CRASHREPORTER_H
