#ifndef LINKORA_UTIL_CLOCK_H
#define LINKORA_UTIL_CLOCK_H

#include <QDateTime>
#include <QtGlobal>

#include <functional>

// The program's clocks: the time of day and a steady clock for what is
// measured in elapsed time. Each is the system's unless another source was
// set. The histories stamp their rows with the time of day, and a test
// cannot wait for the seconds that order them, nor for the hour a playback
// or an idle user takes.
namespace Clock {

// The local time now.
QDateTime currentDateTime();

// Reads the time from source from now on; an empty function gives the
// system's time back. GUI thread only.
void setSource(std::function<QDateTime()> source);

// Milliseconds on a clock that never goes back and does not follow changes
// of the time of day, counted from an arbitrary start: only the difference
// of two readings means anything.
qint64 steadyMilliseconds();

// Reads the steady clock from source from now on; an empty function gives
// the system's back. GUI thread only.
void setSteadySource(std::function<qint64()> source);

} // namespace Clock

#endif // LINKORA_UTIL_CLOCK_H
