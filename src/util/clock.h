#ifndef LINKORA_UTIL_CLOCK_H
#define LINKORA_UTIL_CLOCK_H

#include <QDateTime>

#include <functional>

// The time of day as the program reads it: the system's, unless another
// source was set. The histories stamp their rows with it, and a test cannot
// wait for the seconds that order them.
namespace Clock {

// The local time now.
QDateTime currentDateTime();

// Reads the time from source from now on; an empty function gives the
// system's time back. GUI thread only.
void setSource(std::function<QDateTime()> source);

} // namespace Clock

#endif // LINKORA_UTIL_CLOCK_H
