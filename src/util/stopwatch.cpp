#include "util/stopwatch.h"

#include "util/clock.h"

void Stopwatch::start()
{
    m_start = Clock::steadyMilliseconds();
    m_valid = true;
}

void Stopwatch::invalidate()
{
    m_valid = false;
}

qint64 Stopwatch::elapsed() const
{
    // The steady clock never goes back; a start ahead of it was read from a
    // source that has been replaced since.
    return m_valid ? qMax<qint64>(0, Clock::steadyMilliseconds() - m_start) : 0;
}
