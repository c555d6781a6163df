// The module player both music outputs share: loading, rendering, the level and
// the readings of the position. Internal to music/; the output (the audio device
// or the caller's pulls) is chosen when linking: music_live or music_offline.
#pragma once

#include "music/music.h"
#include "music/module_layout.h"
#include "music/order_watch.h"

#include <atomic>
#include <cstdint>
#include <vector>

struct openmpt_module;

struct Player {
    openmpt_module* module = nullptr;
    std::vector<std::vector<RowFlow>> rowFlows;   // by pattern, then row

    // Owned by whoever renders: the device thread live, the caller offline.
    // A reading of the position after `rendered` frames tells where the last
    // of them was played.
    int64_t rendered = 0;
    OrderWatch watch;
    uint32_t orderStarts = 0;
    PlayReading current{};

    // The level asked for by SetMusicLevel, and the one the last sample
    // rendered had (owned by whoever renders).
    std::atomic<float> level{1.0f};
    float renderedLevel = 1.0f;
};

// The player in use; null when no music plays. Set and cleared by the output.
extern Player* ThePlayer;

// The module of `path` (as the program writes it), loaded ahead when
// LoadMusicAhead was asked for it, at frame 0 with no reading taken yet.
// Null when it cannot be loaded.
Player* MakePlayer(const char* path);
void DestroyPlayer(Player* player);

// Renders `count` frames to `out` (or nowhere), reading the position at every
// slice boundary and applying the level.
void RenderFrames(Player& player, int16_t* out, int64_t count);
// Reads the position at `player.rendered` and counts the orders begun.
void TakeReading(Player& player);

// Defined by the output: what becomes of a reading (`starts` orders began with it).
void PublishReading(Player& player, int32_t starts);

void WriteOrderNotices(int32_t count);
int32_t FramesToMilliseconds(int64_t frames);
