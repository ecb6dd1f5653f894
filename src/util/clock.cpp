#include "util/clock.h"

#include <chrono>

namespace {

std::function<QDateTime()> s_source;
std::function<qint64()> s_steadySource;

} // namespace

namespace Clock {

QDateTime currentDateTime()
{
    return s_source ? s_source() : QDateTime::currentDateTime();
}

void setSource(std::function<QDateTime()> source)
{
    s_source = std::move(source);
}

qint64 steadyMilliseconds()
{
    if (s_steadySource)
        return s_steadySource();
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count();
}

void setSteadySource(std::function<qint64()> source)
{
    s_steadySource = std::move(source);
}

} // namespace Clock
