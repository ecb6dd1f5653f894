#ifndef LINKORA_UTIL_STOPWATCH_H
#define LINKORA_UTIL_STOPWATCH_H

#include <QtGlobal>

// Time elapsed since a start, on the program's steady clock (Clock), so that
// a test can move it. Made invalid; start() sets it going.
class Stopwatch
{
public:
    Stopwatch() = default;

    // Starts, or starts again from now.
    void start();
    void invalidate();
    bool isValid() const { return m_valid; }
    // Milliseconds since the last start, 0 while invalid.
    qint64 elapsed() const;

private:
    qint64 m_start = 0;
    bool m_valid = false;
};

#endif // LINKORA_UTIL_STOPWATCH_H
