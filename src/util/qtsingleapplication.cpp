#include "qtsingleapplication.h"

#include "util/singleinstance.h"

QtSingleApplication::QtSingleApplication(const QString &appId, int &argc, char **argv)
    : QApplication(argc, argv)
    , m_instance(new SingleInstance(appId, this))
{
    connect(m_instance, &SingleInstance::messageReceived, this, &QtSingleApplication::messageReceived);
    // Claim at once, so messages reach the first instance even if it never asks.
    m_instance->isRunning();
}

QtSingleApplication::QtSingleApplication(int &argc, char **argv)
    : QtSingleApplication(QString(), argc, argv)
{ }

QtSingleApplication::~QtSingleApplication()
{
    // Stop serving and give up the claim while the event dispatcher still exists.
    delete m_instance;
}

bool QtSingleApplication::isRunning()
{
    return m_instance->isRunning();
}

bool QtSingleApplication::sendMessage(const QString &message, int timeout)
{
    return m_instance->sendMessage(message, timeout);
}

QString QtSingleApplication::id() const
{
    return m_instance->id();
}

QString QtSingleApplication::instanceProblem() const
{
    return m_instance->problem();
}

bool QtSingleApplication::instanceDataFolderTaken() const
{
    return m_instance->dataFolderTaken();
}

QString QtSingleApplication::lockFilePath() const
{
    return m_instance->lockFilePath();
}
