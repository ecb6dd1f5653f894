#include "ui/ringtone.h"

#include "talk/mediaengine.h"
#include "util/trace.h"

#include <QFile>
#include <QTemporaryFile>

QString RingTone::defaultResource()
{
    return QStringLiteral(":/sounds/ringtone");
}

RingTone::RingTone(QObject *parent)
    : RingTone(defaultResource(), parent)
{ }

RingTone::RingTone(const QString &resource, QObject *parent)
    : QObject(parent)
    , m_resource(resource)
{ }

RingTone::~RingTone() = default;

bool RingTone::makeCopy()
{
    if (m_copy)
        return true;
    if (!QFile::exists(m_resource)) {
        TRACE_WARNING << "Ring tone missing:" << m_resource;
        return false;
    }
    m_copy.reset(QTemporaryFile::createNativeFile(m_resource));
    if (!m_copy) {
        TRACE_WARNING << "No local copy of the ring tone" << m_resource;
        return false;
    }
    return true;
}

bool RingTone::start(talk::MediaEngine *engine)
{
    if (!engine) {
        TRACE_WARNING << "No media engine to ring with";
        return false;
    }
    if (!makeCopy())
        return false;
    const QString name = file();
    const bool looping = engine->loopFile(name);
    TRACE << "Ring tone" << name << "looping:" << looping;
    return looping;
}

QString RingTone::file() const
{
    return m_copy ? m_copy->fileName() : QString();
}
