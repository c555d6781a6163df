// The module player: loading, rendering, the level and the position readings,
// whichever output plays them.
#include "music/player.h"

#include "music/clock.h"
#include "platform/data_folder.h"
#include "platform/platform.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

Player* ThePlayer;

namespace {

std::vector<std::vector<RowFlow>> ReadRowFlows(openmpt_module* module) {
    std::vector<std::vector<RowFlow>> flows(std::max(0, openmpt_module_get_num_patterns(module)));
    int32_t channels = openmpt_module_get_num_channels(module);
    for (int32_t pattern = 0; pattern < static_cast<int32_t>(flows.size()); ++pattern) {
        flows[pattern].resize(std::max(0, openmpt_module_get_pattern_num_rows(module, pattern)));
        for (int32_t row = 0; row < static_cast<int32_t>(flows[pattern].size()); ++row) {
            for (int32_t channel = 0; channel < channels; ++channel) {
                const char* letter = openmpt_module_format_pattern_row_channel_command(
                    module, pattern, row, channel, OPENMPT_MODULE_COMMAND_EFFECT);
                uint8_t parameter = openmpt_module_get_pattern_row_channel_command(module, pattern, row, channel,
                                                                                   OPENMPT_MODULE_COMMAND_PARAMETER);
                if (letter) {
                    AddEffectToRowFlow(flows[pattern][row], {letter[0], parameter});
                    openmpt_free_string(letter);
                }
            }
        }
    }
    return flows;
}

RowFlow FlowAt(const Player& player, int32_t order, int32_t row) {
    int32_t pattern = openmpt_module_get_order_pattern(player.module, order);
    if (pattern < 0 || pattern >= static_cast<int32_t>(player.rowFlows.size())) return {};
    const std::vector<RowFlow>& rows = player.rowFlows[pattern];
    if (row < 0 || row >= static_cast<int32_t>(rows.size())) return {};
    return rows[row];
}

// Moves the level of `count` frames in a straight line from the one rendered
// last to the one asked for, scaling the samples by its square.
void ApplyLevel(Player& player, int16_t* frames, int64_t count) {
    float from = player.renderedLevel, to = player.level.load(std::memory_order_relaxed);
    player.renderedLevel = to;
    if ((from == 1.0f && to == 1.0f) || !frames || count <= 0) return;
    for (int64_t i = 0; i < count; ++i) {
        double level = from + (to - from) * static_cast<double>(i + 1) / static_cast<double>(count);
        for (int32_t c = 0; c < MUSIC_CHANNELS; ++c) {
            int16_t& sample = frames[i * MUSIC_CHANNELS + c];
            sample = static_cast<int16_t>(std::lround(sample * level * level));
        }
    }
}

// A module read and made ready to play, not yet playing.
struct LoadedModule {
    std::string path;
    openmpt_module* module = nullptr;   // null when it could not be loaded
    std::vector<std::vector<RowFlow>> rowFlows;
};

LoadedModule LoadModule(const std::string& path) {
    LoadedModule loaded{path, nullptr, {}};
    std::string failure;
    std::vector<char> bytes = ReadModuleFile(NativePath(path.c_str()), &failure);
    if (bytes.empty()) return loaded;
    loaded.module = CreateModule(bytes);
    if (loaded.module) loaded.rowFlows = ReadRowFlows(loaded.module);
    return loaded;
}

// The module loaded on a thread of its own while the window is being made;
// the load is silent, so nothing it says can come before the pictures' messages.
std::thread LoadingAhead;
LoadedModule LoadedAhead;

LoadedModule TakeLoadedModule(const char* path) {
    if (LoadingAhead.joinable()) {
        LoadingAhead.join();
        LoadedModule loaded = std::move(LoadedAhead);
        LoadedAhead = {};
        if (loaded.path == path) return loaded;
        if (loaded.module) openmpt_module_destroy(loaded.module);
    }
    return LoadModule(path);
}

}  // namespace

void WriteOrderNotices(int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        std::fputs(MUSIC_ORDER_NOTICE, stdout);
        std::fflush(stdout);
    }
}

int32_t FramesToMilliseconds(int64_t frames) { return static_cast<int32_t>(frames * 1000 / MUSIC_MIX_RATE); }

void TakeReading(Player& player) {
    openmpt_module* module = player.module;
    PlayReading reading{openmpt_module_get_current_order(module), openmpt_module_get_current_row(module),
                        openmpt_module_get_current_speed(module), openmpt_module_get_current_tempo(module)};
    int32_t starts = WatchOrders(player.watch, reading, FlowAt(player, reading.order, reading.row),
                                 player.rendered - 1, MUSIC_MIX_RATE);
    player.orderStarts += starts;
    player.current = reading;
    PublishReading(player, starts);
}

void RenderFrames(Player& player, int16_t* out, int64_t count) {
    std::array<int16_t, SLICE_FRAMES * MUSIC_CHANNELS> scratch;
    int16_t* first = out;
    int64_t total = count;
    while (count > 0) {
        int64_t chunk = std::min<int64_t>(SLICE_FRAMES - player.rendered % SLICE_FRAMES, count);
        int16_t* target = out ? out : scratch.data();
        size_t made = openmpt_module_read_interleaved_stereo(player.module, MUSIC_MIX_RATE,
                                                             static_cast<size_t>(chunk), target);
        std::fill(target + made * MUSIC_CHANNELS, target + chunk * MUSIC_CHANNELS, int16_t{0});
        player.rendered += chunk;
        count -= chunk;
        if (out) out += chunk * MUSIC_CHANNELS;
        if (player.rendered % SLICE_FRAMES == 0) TakeReading(player);
    }
    ApplyLevel(player, first, total);
}

void DropMusicAhead() {
    if (!LoadingAhead.joinable()) return;
    LoadingAhead.join();
    if (LoadedAhead.module) openmpt_module_destroy(LoadedAhead.module);
    LoadedAhead = {};
}


void LoadMusicAhead(const char* path) {
    if (!PLATFORM_HAS_THREADS || LoadingAhead.joinable() || !path) return;
    LoadingAhead = std::thread([wanted = std::string(path)] { LoadedAhead = LoadModule(wanted); });
    static bool dropAtExit = std::atexit(DropMusicAhead) == 0;
    (void)dropAtExit;
}

Player* MakePlayer(const char* path) {
    if (!path) return nullptr;
    LoadedModule loaded = TakeLoadedModule(path);
    if (!loaded.module) return nullptr;
    Player* player = new Player;
    player->module = loaded.module;
    player->rowFlows = std::move(loaded.rowFlows);
    player->watch.orderCount = openmpt_module_get_num_orders(loaded.module);
    return player;
}

void DestroyPlayer(Player* player) {
    if (!player) return;
    if (player->module) openmpt_module_destroy(player->module);
    delete player;
}

void SetMusicLevel(float level) {
    if (Player* player = ThePlayer) player->level.store(std::clamp(level, 0.0f, 1.0f), std::memory_order_relaxed);
}
