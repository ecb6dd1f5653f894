#ifndef STANDIN_EVENTQUEUE_H
#define STANDIN_EVENTQUEUE_H

#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>

namespace standin {

// The events of one talk interface in the order they happen. Each step runs
// from the event loop, one step delay after the previous one, so an event
// never arrives inside the call that caused it. A step is dropped when its
// guard object is gone by then.
class EventQueue : public QObject
{
public:
    explicit EventQueue(QObject *parent = nullptr);

    void post(QObject *guard, std::function<void()> step);

private:
    void schedule();
    void runNext();

    struct Step
    {
        QPointer<QObject> guard;
        std::function<void()> run;
    };

    std::deque<Step> m_steps;
    bool m_scheduled = false;
};

} // namespace standin

#endif // STANDIN_EVENTQUEUE_H
