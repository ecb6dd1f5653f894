#include "ui/keytoneplayer.h"

#include "util/trace.h"

#include <QFile>
#include <QSoundEffect>
#include <QUrl>

namespace {

const QString kKeys = QStringLiteral("0123456789*#");

// "*" and "#" make poor file names, and "#" a URL fragment.
QString fileNameFor(QChar key)
{
    if (key == QLatin1Char('*'))
        return QStringLiteral("dialup-star.wav");
    if (key == QLatin1Char('#'))
        return QStringLiteral("dialup-hash.wav");
    return QStringLiteral("dialup-%1.wav").arg(key);
}

} // namespace

QString KeyTonePlayer::defaultResourcePrefix()
{
    return QStringLiteral(":/sounds/dialup-");
}

KeyTonePlayer::KeyTonePlayer(QObject *parent)
    : KeyTonePlayer(defaultResourcePrefix(), parent)
{ }

KeyTonePlayer::KeyTonePlayer(const QString &resourcePrefix, QObject *parent)
    : QObject(parent)
{
    if (!m_folder.isValid()) {
        TRACE_WARNING << "No folder for the key tones:" << m_folder.errorString();
        return;
    }
    for (const QChar key : kKeys)
        load(key, resourcePrefix);
}

KeyTonePlayer::~KeyTonePlayer() = default;

void KeyTonePlayer::load(QChar key, const QString &resourcePrefix)
{
    const QString resource = resourcePrefix + key;
    const QString copy = m_folder.filePath(fileNameFor(key));
    if (!QFile::copy(resource, copy)) {
        TRACE_WARNING << "Key tone missing:" << resource;
        return;
    }
    auto *effect = new QSoundEffect(this);
    effect->setSource(QUrl::fromLocalFile(copy));
    m_effects.insert(key, effect);
}

bool KeyTonePlayer::play(QChar key)
{
    QSoundEffect *effect = m_effects.value(key);
    if (!effect) {
        TRACE_WARNING << "No tone to play for key" << key;
        return false;
    }
    // A tone still playing from a quick earlier press starts over.
    effect->stop();
    effect->play();
    return true;
}

QString KeyTonePlayer::toneFile(QChar key) const
{
    const QSoundEffect *sound = effect(key);
    return sound ? sound->source().toLocalFile() : QString();
}

const QSoundEffect *KeyTonePlayer::effect(QChar key) const
{
    return m_effects.value(key);
}
