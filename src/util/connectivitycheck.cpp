#include "util/connectivitycheck.h"

#include "util/util.h"

#include <QCoreApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QThreadPool>

namespace {

QMutex probeMutex;
ConnectivityCheck::Probe customProbe;

ConnectivityCheck::Probe currentProbe()
{
    QMutexLocker locker(&probeMutex);
    return customProbe;
}

} // namespace

ConnectivityCheck::ConnectivityCheck(QObject *parent)
    : QObject(parent)
{ }

ConnectivityCheck::~ConnectivityCheck() = default;

void ConnectivityCheck::setProbe(Probe probe)
{
    QMutexLocker locker(&probeMutex);
    customProbe = std::move(probe);
}

bool ConnectivityCheck::isOnline()
{
    const Probe probe = currentProbe();
    return probe ? probe() : Util::hasNetworkConnectivity();
}

void ConnectivityCheck::start()
{
    if (m_running)
        return;
    m_running = true;

    Probe probe = currentProbe();
    if (!probe) {
        // The reachability report is a QObject: made here, on the GUI
        // thread, before a worker first asks for it.
        Util::networkInformation();
        probe = [] {
            return Util::hasNetworkConnectivity();
        };
    }

    // The answer is delivered through the application object, on its thread,
    // where the guard can be read safely; a check outlived by its object is
    // dropped.
    QPointer<ConnectivityCheck> guard(this);
    QObject *receiver = QCoreApplication::instance();
    QThreadPool::globalInstance()->start([guard, probe, receiver] {
        const bool online = probe();
        QMetaObject::invokeMethod(
            receiver,
            [guard, online] {
                if (guard)
                    guard->onProbeFinished(online);
            },
            Qt::QueuedConnection);
    });
}

void ConnectivityCheck::onProbeFinished(bool online)
{
    m_running = false;
    emit finished(online);
}
