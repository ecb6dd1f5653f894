#include "util/clock.h"

namespace {

std::function<QDateTime()> s_source;

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

} // namespace Clock
