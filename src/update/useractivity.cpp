#include "useractivity.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

namespace {

QPointer<UserActivity> &instance()
{
    static QPointer<UserActivity> activity;
    return activity;
}

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
        return true;
    default:
        return false;
    }
}

} // namespace

UserActivity::UserActivity()
    : QObject(QCoreApplication::instance())
{
    m_sinceInput.start();
    QCoreApplication::instance()->installEventFilter(this);
}

void UserActivity::watch()
{
    if (!instance() && QCoreApplication::instance())
        instance() = new UserActivity;
}

qint64 UserActivity::idleMilliseconds()
{
    return instance() ? instance()->m_sinceInput.elapsed() : -1;
}

bool UserActivity::eventFilter(QObject *watched, QEvent *event)
{
    if (isInput(event->type()))
        m_sinceInput.start();
    return QObject::eventFilter(watched, event);
}
