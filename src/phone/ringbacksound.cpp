#include "phone/ringbacksound.h"

#include "util/trace.h"

#include <QFile>
#include <QSoundEffect>
#include <QUrl>

namespace {

QUrl sourceUrl(const QString &file)
{
    if (file.startsWith(QLatin1Char(':')))
        return QUrl(QStringLiteral("qrc") + file);
    return QUrl::fromLocalFile(file);
}

} // namespace

RingbackSound::RingbackSound(const QString &file, QObject *parent)
    : QObject(parent)
    , m_file(file)
    , m_available(QFile::exists(file))
{
    if (!m_available)
        TRACE_WARNING << "Ring-back sound not found, calls ring silently:" << file;
}

RingbackSound::~RingbackSound() = default;

void RingbackSound::play()
{
    if (m_playing)
        return;
    m_playing = true;
    if (!m_available)
        return;
    if (!m_effect) {
        m_effect = new QSoundEffect(this);
        m_effect->setLoopCount(QSoundEffect::Infinite);
        m_effect->setSource(sourceUrl(m_file));
    }
    m_effect->play();
}

void RingbackSound::stop()
{
    if (!m_playing)
        return;
    m_playing = false;
    if (m_effect)
        m_effect->stop();
}
