#ifndef TESTCLOCK_H
#define TESTCLOCK_H

#include "util/clock.h"

#include <QDateTime>

// Sets the program's time of day while it lives; the test moves it.
class TestClock
{
public:
    explicit TestClock(const QDateTime &start)
        : now(start)
    {
        Clock::setSource([this] { return now; });
    }
    ~TestClock() { Clock::setSource({}); }
    Q_DISABLE_COPY(TestClock)

    QDateTime now;
};

#endif // TESTCLOCK_H
