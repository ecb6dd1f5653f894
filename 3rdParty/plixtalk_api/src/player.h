#ifndef STANDIN_PLAYER_H
#define STANDIN_PLAYER_H

#include "plixtalk_api.h"

#include <QElapsedTimer>
#include <QObject>

namespace standin {

// Plays sound files without a sound card: a file "plays" for the play
// duration of the knobs, then SignalFinished follows unless it loops.
class Player final : public plix::IPlayer
{
public:
    Player() = default;

    bool GetLevel(int *level) const override;
    bool IsPlaying() const override { return m_playing; }
    bool GetFileDuration(const char *path, int *milliseconds) const override;
    bool GetPosition(int *milliseconds) const override;
    bool Play(const char *path, bool loop) override;
    bool Stop() override;

private:
    static bool isPlayable(const char *path);

    QObject m_guard; // pending "finished" events die with the player
    bool m_playing = false;
    int m_duration = 0;
    unsigned m_round = 0; // tells a pending "finished" of an earlier Play apart
    QElapsedTimer m_clock;
};

} // namespace standin

#endif // STANDIN_PLAYER_H
