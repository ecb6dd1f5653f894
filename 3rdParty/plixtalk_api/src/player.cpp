#include "player.h"

#include "state.h"

#include <QFileInfo>
#include <QString>
#include <QTimer>

#include <algorithm>

namespace standin {

bool Player::isPlayable(const char *path)
{
    return path && *path && QFileInfo(QString::fromUtf8(path)).isFile();
}

bool Player::GetLevel(int *level) const
{
    if (!level)
        return false;
    *level = m_playing ? State::instance().knobs.outputLevel : 0;
    return true;
}

bool Player::GetFileDuration(const char *path, int *milliseconds) const
{
    if (!milliseconds || !isPlayable(path))
        return false;
    *milliseconds = State::instance().knobs.playDuration;
    return true;
}

bool Player::GetPosition(int *milliseconds) const
{
    if (!milliseconds || !m_playing)
        return false;
    const qint64 elapsed = m_clock.elapsed();
    *milliseconds = m_duration > 0 ? static_cast<int>(elapsed % m_duration) : 0;
    return true;
}

bool Player::Play(const char *path, bool loop)
{
    if (!isPlayable(path))
        return false;
    State &state = State::instance();
    state.records.filesPlayed += std::string(path) + (loop ? " (loop)" : "") + '\n';
    m_playing = true;
    m_duration = std::max(0, state.knobs.playDuration);
    m_clock.start();
    const unsigned round = ++m_round;
    if (!loop) {
        QTimer::singleShot(m_duration, &m_guard, [this, round] {
            if (round != m_round || !m_playing)
                return;
            m_playing = false;
            SignalFinished();
        });
    }
    return true;
}

bool Player::Stop()
{
    ++m_round;
    if (!m_playing)
        return false;
    m_playing = false;
    return true;
}

} // namespace standin
