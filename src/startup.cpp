#include "startup.h"

#include "ui/messageprompt.h"
#include "update/updater.h"
#include "util/nativesettings.h"
#include "util/qtsingleapplication.h"
#include "util/trace.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <QUrl>

namespace {

const QString kUpdateUrlArgument = QStringLiteral("-updateurl");
const QString kNoUpdateArgument = QStringLiteral("-noupdate");

constexpr int kInstanceChecks = 3;
constexpr int kFirstPauseMs = 1000;
constexpr int kPauseIncreaseMs = 5000;
constexpr int kShowMessageTimeoutMs = 3000;

} // namespace

namespace Startup {

QString organizationDomain()
{
    return QStringLiteral("www.halvetta.example");
}

void setupApplicationIdentity()
{
    const QString organization = QStringLiteral("Halvetta");
    QCoreApplication::setApplicationName(organization + QStringLiteral(" Linkora"));
    QCoreApplication::setOrganizationDomain(organizationDomain());
    QCoreApplication::setOrganizationName(organization);
    const QVariant version = NativeSettings::forApplication().value(QStringLiteral("Version"));
    QCoreApplication::setApplicationVersion(version.isValid() ? version.toString() : QStringLiteral("1.0.0"));
}

QStringList argumentList(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

UpdateDecision decideUpdateAction(const QStringList &arguments)
{
    const int index = arguments.indexOf(kUpdateUrlArgument);
    if (index >= 0) {
        if (index == arguments.size() - 1)
            return {UpdateDecision::WrongArguments, QString()};
        return {UpdateDecision::CheckUrl, arguments.at(index + 1)};
    }
    if (arguments.contains(kNoUpdateArgument))
        return {UpdateDecision::NoCheck, QString()};
    return {UpdateDecision::ScheduleAutomaticCheck, QString()};
}

void handleUpdateArguments(const QStringList &arguments, Updater *updater)
{
    const UpdateDecision decision = decideUpdateAction(arguments);
    switch (decision.action) {
    case UpdateDecision::WrongArguments:
        TRACE << "Wrong arguments: " << arguments;
        break;
    case UpdateDecision::CheckUrl:
        TRACE << kUpdateUrlArgument << decision.url;
        updater->requestGetUrl(QUrl(decision.url));
        break;
    case UpdateDecision::NoCheck:
        break;
    case UpdateDecision::ScheduleAutomaticCheck:
        QTimer::singleShot(kAutomaticCheckDelayMs, updater, &Updater::startCheckAndUpdateAutomatically);
        break;
    }
}

InstanceCheck::~InstanceCheck() = default;

SingleApplicationCheck::SingleApplicationCheck(QtSingleApplication *application)
    : m_application(application)
{ }

bool SingleApplicationCheck::isRunning()
{
    return m_application->isRunning();
}

void SingleApplicationCheck::sleep(int milliseconds)
{
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

bool SingleApplicationCheck::sendMessage(const QString &message, int timeout)
{
    return m_application->sendMessage(message, timeout);
}

void SingleApplicationCheck::tellNotReached()
{
    tellInstanceNotReached(m_application->instanceProblem(), m_application->instanceDataFolderTaken());
}

bool waitForPreviousInstance(InstanceCheck &check)
{
    int tries = kInstanceChecks;
    int pause = kFirstPauseMs;
    for (;;) {
        if (!check.isRunning())
            return true;
        --tries;
        if (check.isRunning()) {
            if (tries == 0)
                break;
            check.sleep(pause);
        }
        pause += kPauseIncreaseMs;
    }
    if (!check.sendMessage(showMessage(), kShowMessageTimeoutMs))
        check.tellNotReached();
    return false;
}

void tellInstanceNotReached(const QString &problem, bool dataFolderTaken)
{
    const QString text = problem.isEmpty()
        ? QCoreApplication::translate("Startup",
                                      "Linkora is already running but does not answer. Close it, or end its "
                                      "process, and start Linkora again.")
        : dataFolderTaken ? QCoreApplication::translate(
                                "Startup",
                                "Linkora is already running in another session, or another build of it "
                                "is, and uses the same data folder, so this one does not start: two "
                                "copies must never share one data folder. Close the other one and start "
                                "Linkora again.\n\n%1")
                                .arg(problem)
                          : QCoreApplication::translate(
                                "Startup",
                                "Linkora cannot tell whether it is already running, so it does not start: "
                                "two copies must never share one data folder.\n\n%1")
                                .arg(problem);
    TRACE_WARNING << text;
    MessagePrompt::critical(nullptr, QCoreApplication::applicationName(), text);
}

QString showMessage()
{
    return QStringLiteral("--show");
}

} // namespace Startup
