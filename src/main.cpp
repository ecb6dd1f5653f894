#include "application.h"
#include "crash/crashupload.h"
#include "crashreporter.h"
#include "objfactory.h"
#include "startup.h"
#include "util/trace.h"

#ifdef LINKORA_DEMO
#include <QUrl>

#include <cstdio>

namespace {

// The demo program talks to a local stand-in of the web service instead of
// the brand's; scripts/run.sh starts the stand-in and names it here.
const char kDemoWebserviceVariable[] = "LINKORA_DEMO_WEBSERVICE_URL";

QUrl demoWebserviceUrl()
{
    return QUrl(qEnvironmentVariable(kDemoWebserviceVariable), QUrl::StrictMode);
}

} // namespace
#endif

int main(int argc, char *argv[])
{
    // After a crash the program runs again in this mode, only to send the report.
    if (CrashUpload::isUploadRequest(argc, argv))
        return CrashUpload::run(argc, argv);

#ifdef LINKORA_DEMO
    const QUrl webserviceUrl = demoWebserviceUrl();
    if (!webserviceUrl.isValid() || webserviceUrl.isRelative()) {
        std::fprintf(stderr, "Set %s to the stand-in web service's base URL (scripts/run.sh does).\n",
                     kDemoWebserviceVariable);
        return 2;
    }
    ObjFactory::setWebserviceBaseUrl(webserviceUrl);
#endif

    Startup::setupApplicationIdentity();
    Application app(argc, argv);
    {
        // Decided before the log is opened or a window shown, so that a start
        // that defers leaves the running instance's log alone.
        Startup::SingleApplicationCheck check(&app);
        if (!Startup::waitForPreviousInstance(check))
            return -1;
    }
    app.initialize();

#ifdef LINKORA_DEMO
    TRACE << "Demo build: web service at" << webserviceUrl.toString();
#endif

    CrashReporter crashReporter(&app);
    Startup::handleUpdateArguments(Startup::argumentList(argc, argv), ObjFactory::instance()->updater());

    const int exitCode = app.exec();
    TRACE << exitCode;
    return exitCode;
}
