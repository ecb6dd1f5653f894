#ifndef TESTCLOCK_H
#define TESTCLOCK_H

#include "util/clock.h"

#include <QDateTime>

// Sets the program's clocks while it lives: the time of day and the steady
// clock stand still until the test moves them.
class TestClock
{
public:
    explicit TestClock(const QDateTime &start = QDateTime::currentDateTime())
        : now(start)
        , steady(Clock::steadyMilliseconds())
    {
        Clock::setSource([this] { return now; });
        Clock::setSteadySource([this] { return steady; });
    }
    ~TestClock()
    {
        Clock::setSource({});
        Clock::setSteadySource({});
    }
    Q_DISABLE_COPY(TestClock)

    // Both clocks move on by milliseconds.
    void advance(qint64 milliseconds)
    {
        now = now.addMSecs(milliseconds);
        steady += milliseconds;
    }

    QDateTime now;
    // Milliseconds on the steady clock; it starts where the system's was.
    qint64 steady;
};

#endif // TESTCLOCK_H
