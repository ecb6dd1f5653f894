#include "eventqueue.h"

#include "state.h"

#include <QTimer>

#include <algorithm>

namespace standin {

EventQueue::EventQueue(QObject *parent)
    : QObject(parent)
{ }

void EventQueue::post(QObject *guard, std::function<void()> step)
{
    m_steps.push_back({guard, std::move(step)});
    schedule();
}

void EventQueue::schedule()
{
    if (m_scheduled || m_steps.empty())
        return;
    m_scheduled = true;
    QTimer::singleShot(std::max(0, State::instance().knobs.stepDelay), this, [this] { runNext(); });
}

void EventQueue::runNext()
{
    m_scheduled = false;
    if (m_steps.empty())
        return;
    const Step step = std::move(m_steps.front());
    m_steps.pop_front();
    // A handler may release the whole talk interface, this queue included.
    const QPointer<EventQueue> self(this);
    if (step.guard)
        step.run();
    if (self)
        schedule();
}

} // namespace standin
