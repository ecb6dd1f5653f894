#include "state.h"

#include <algorithm>
#include <chrono>

namespace standin {

long long steadyMilliseconds()
{
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count();
}

State &State::instance()
{
    static State state;
    return state;
}

void State::reset()
{
    knobs = Knobs();
    records = Records();
}

void State::objectCreated(ObjectKind kind)
{
    ++m_live[kind];
}

void State::objectReleased(ObjectKind kind)
{
    --m_live[kind];
}

int State::liveObjects(int kind) const
{
    return kind >= 0 && kind < KindCount ? m_live[kind] : 0;
}

void State::addTalk(Talk *talk)
{
    m_talks.push_back(talk);
}

void State::removeTalk(Talk *talk)
{
    m_talks.erase(std::remove(m_talks.begin(), m_talks.end(), talk), m_talks.end());
}

Talk *State::currentTalk() const
{
    return m_talks.empty() ? nullptr : m_talks.back();
}

} // namespace standin
