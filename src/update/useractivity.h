#ifndef USERACTIVITY_H
#define USERACTIVITY_H

#include "util/stopwatch.h"

#include <QObject>

// Notes the time of the user's last key, mouse, wheel or touch input to any
// window of the program, for the updater's idle check. The time is the
// program's steady clock (Clock).
class UserActivity : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(UserActivity)

public:
    // Starts watching the application's input; later calls do nothing.
    // Needs the application object.
    static void watch();
    // Milliseconds since the last input (or since watch()), -1 before watch().
    static qint64 idleMilliseconds();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    UserActivity();

    Stopwatch m_sinceInput;
};

#endif // USERACTIVITY_H
