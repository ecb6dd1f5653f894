#ifndef STARTUP_H
#define STARTUP_H

#include <QString>
#include <QStringList>

class QtSingleApplication;
class Updater;

// The steps of the program's start that come before and around the
// application object: identity, the single-instance wait and the command line.
namespace Startup {

// The organisation's web host, the application's identity in paths and settings.
QString organizationDomain();

// Sets application name, organisation domain and organisation name, in this
// order, then the version from the native "Version" value ("1.0.0" when absent).
void setupApplicationIdentity();

// Every argument, the program path first; empty when argc is below 1.
QStringList argumentList(int argc, char **argv);

// How the first update check happens, decided from the arguments alone.
struct UpdateDecision
{
    enum Action {
        // The automatic check, 500 ms after the event loop starts.
        ScheduleAutomaticCheck,
        // A check of the version file at url, at once.
        CheckUrl,
        // "-noupdate": no check in this run.
        NoCheck,
        // "-updateurl" without a URL after it: no check in this run either.
        WrongArguments,
    };
    Action action = ScheduleAutomaticCheck;
    QString url;

    bool operator==(const UpdateDecision &other) const { return action == other.action && url == other.url; }
};

// Whole, case-sensitive arguments decide: the first "-updateurl" wins over
// any "-noupdate".
UpdateDecision decideUpdateAction(const QStringList &arguments);

// Traces and carries out the decision for arguments: a check of the given URL
// at once, or the automatic check 500 ms after the event loop starts.
void handleUpdateArguments(const QStringList &arguments, Updater *updater);

constexpr int kAutomaticCheckDelayMs = 500;

// What the wait for a previous instance needs from the world.
class InstanceCheck
{
public:
    virtual ~InstanceCheck();
    // True while another instance holds the single-instance claim.
    virtual bool isRunning() = 0;
    virtual void sleep(int milliseconds) = 0;
    // True when the running instance confirmed the message.
    virtual bool sendMessage(const QString &message, int timeout) = 0;
    // Tells the user why this start ends although no instance answered.
    virtual void tellNotReached() = 0;
};

// The real thing: the application's claim and a sleep of the calling thread.
class SingleApplicationCheck : public InstanceCheck
{
public:
    explicit SingleApplicationCheck(QtSingleApplication *application);
    bool isRunning() override;
    void sleep(int milliseconds) override;
    bool sendMessage(const QString &message, int timeout) override;
    void tellNotReached() override;

private:
    QtSingleApplication *m_application;
};

// Gives an instance that is still running about 7 s to end (checks at 0 s,
// after 1 s and after 7 s). True when this instance may run; false when the
// other one kept running and has been sent "--show", or when it could not be
// reached and the user has been told.
bool waitForPreviousInstance(InstanceCheck &check);

// The box that says why a start ends without a window: problem is why the
// single instance could not be decided, or empty when another instance holds
// it but did not answer; dataFolderTaken when it is known that another copy
// uses the data folder.
void tellInstanceNotReached(const QString &problem, bool dataFolderTaken = false);

// The message that asks the running instance to show its main window.
QString showMessage();

} // namespace Startup

#endif // STARTUP_H
