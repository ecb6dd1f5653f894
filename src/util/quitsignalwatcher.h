#ifndef UTIL_QUITSIGNALWATCHER_H
#define UTIL_QUITSIGNALWATCHER_H

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (a desktop logout, Ctrl+C, a closed
// terminal) into quitRequested() on the event loop, so that the program can
// end the way its Quit does instead of dying where it stands. The handler only
// writes the signal's number into a pipe. A second signal that arrives before
// the first was handled ends the process as if no one watched.
// One watcher at a time; the previous handlers come back when it goes.
class QuitSignalWatcher : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(QuitSignalWatcher)

public:
    explicit QuitSignalWatcher(QObject *parent = nullptr);
    ~QuitSignalWatcher() override;

    // False when the pipe or the handlers could not be set up.
    bool isWatching() const;

signals:
    void quitRequested(int signalNumber);

private:
    void onReadable();

    QSocketNotifier *m_notifier = nullptr;
};

#endif // UTIL_QUITSIGNALWATCHER_H
