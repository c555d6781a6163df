// The music rendered offline, pulled by the caller: no device, and the position
// is exact for any instant, so a capture hears and shows the same show every time.
#include "music/offline.h"

#include "music/clock.h"
#include "music/player.h"

#include <algorithm>
#include <array>
#include <memory>

namespace {

// The frames handed to the caller. One frame more has been rendered and waits
// in `ahead`, so that the position read is that of the frame at the instant
// asked for.
int64_t Emitted;
std::array<int16_t, MUSIC_CHANNELS> Ahead;

// Offline: appends `count` frames for the caller, the one rendered ahead
// first; the last one rendered now stays ahead.
void AppendRendered(Player& player, std::vector<int16_t>& target, int64_t count) {
    size_t start = target.size();
    target.resize(start + static_cast<size_t>(count + 1) * MUSIC_CHANNELS);
    int16_t* first = target.data() + start;
    std::copy(Ahead.begin(), Ahead.end(), first);
    RenderFrames(player, first + MUSIC_CHANNELS, count);
    std::copy(target.end() - MUSIC_CHANNELS, target.end(), Ahead.begin());
    target.resize(target.size() - MUSIC_CHANNELS);
}

}  // namespace

void PublishReading(Player& /*player*/, int32_t starts) { WriteOrderNotices(starts); }

bool StartMusic(const char* path) {
    if (ThePlayer) return false;
    Player* player = MakePlayer(path);
    if (!player) return false;
    Emitted = 0;
    Ahead = {};
    // Order 0, row 0 at frame 0: the first order begins.
    TakeReading(*player);
    RenderFrames(*player, Ahead.data(), 1);
    TakeReading(*player);
    ThePlayer = player;
    return true;
}

void StopMusic() {
    Player* player = ThePlayer;
    ThePlayer = nullptr;
    DestroyPlayer(player);
}

void GetMusicPosition(MusicPosition& position) {
    Player* player = ThePlayer;
    if (!player) {
        position = {0, 0, 0};
        return;
    }
    position = {player->current.order, player->current.row, FramesToMilliseconds(Emitted)};
}

void RenderMusicUntil(int64_t frame, std::vector<int16_t>* out) {
    Player* player = ThePlayer;
    if (!player || frame <= Emitted) return;
    int64_t count = frame - Emitted;
    Emitted = frame;
    if (!out) {
        RenderFrames(*player, nullptr, count - 1);
        RenderFrames(*player, Ahead.data(), 1);
    } else {
        AppendRendered(*player, *out, count);
    }
    // The instant asked for, unless a slice boundary just read it.
    if (player->rendered % SLICE_FRAMES != 0) TakeReading(*player);
}
