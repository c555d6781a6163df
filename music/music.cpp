// The module player: libopenmpt renders, an SDL device plays (or the caller
// pulls frames offline), and the music clock says what is heard.
//
// Live, only the device thread touches the module. It renders in slices of
// SLICE_FRAMES and, at every slice boundary, reads the position and stores it,
// with the running count of order starts, in a ring of atomics. The main thread
// and the notice thread never touch the module: they estimate the frame heard
// now from the device's counters and look its slice up in the ring.
#include "music/music.h"

#include "music/clock.h"
#include "music/module_layout.h"
#include "music/order_watch.h"
#include "platform/audio.h"
#include "platform/files.h"
#include "platform/platform.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

constexpr int32_t DEVICE_BUFFER_FRAMES = 1024;
// Slices kept for looking up what is heard: about six seconds.
constexpr int64_t RING_SLICES = 1024;
constexpr auto NOTICE_POLL = std::chrono::milliseconds(4);

struct Player {
    openmpt_module* module = nullptr;
    bool offline = false;
    std::vector<std::vector<RowFlow>> rowFlows;   // by pattern, then row

    // Owned by whoever renders: the device thread live, the caller offline.
    // A reading of the position after `rendered` frames tells where the last
    // of them was played.
    int64_t rendered = 0;
    OrderWatch watch;
    uint32_t orderStarts = 0;
    PlayReading current{};

    // Offline: the frames handed to the caller. One frame more has been
    // rendered and waits in `ahead`, so that the position read is that of the
    // frame at the instant asked for.
    int64_t emitted = 0;
    std::array<int16_t, MUSIC_CHANNELS> ahead{};

    // Live: published by the device thread, read by the others.
    AudioDeviceInfo device{};
    std::array<std::atomic<uint64_t>, RING_SLICES> ring{};
    std::atomic<uint64_t> latest{0};
    std::atomic<int64_t> latestSlice{0};
    // Live: the last frame the clock said was heard, for the main and the notice thread.
    std::atomic<int64_t> heard{0};

    // The level asked for by SetMusicLevel, and the one the last sample
    // rendered had (owned by whoever renders).
    std::atomic<float> level{1.0f};
    float renderedLevel = 1.0f;

    // Live: the thread that writes the order notices as they become audible.
    std::thread noticeThread;
    std::mutex noticeMutex;
    std::condition_variable noticeWake;
    bool noticeStop = false;
    uint16_t noticesWritten = 0;
};

// Never destroyed behind the program's back: the device thread may still run
// while exit() destroys statics (a test ending without StopMusic).
Player* ThePlayer;
bool OfflineWanted;

void WriteOrderNotices(int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        std::fputs(MUSIC_ORDER_NOTICE, stdout);
        std::fflush(stdout);
    }
}

int32_t FramesToMilliseconds(int64_t frames) { return static_cast<int32_t>(frames * 1000 / MUSIC_MIX_RATE); }

// --- Loading -----------------------------------------------------------------

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

// --- Rendering (device thread live, caller offline) ----------------------------

RowFlow FlowAt(const Player& player, int32_t order, int32_t row) {
    int32_t pattern = openmpt_module_get_order_pattern(player.module, order);
    if (pattern < 0 || pattern >= static_cast<int32_t>(player.rowFlows.size())) return {};
    const std::vector<RowFlow>& rows = player.rowFlows[pattern];
    if (row < 0 || row >= static_cast<int32_t>(rows.size())) return {};
    return rows[row];
}

// Reads the position at `player.rendered` and counts the orders begun.
void TakeReading(Player& player) {
    openmpt_module* module = player.module;
    PlayReading reading{openmpt_module_get_current_order(module), openmpt_module_get_current_row(module),
                        openmpt_module_get_current_speed(module), openmpt_module_get_current_tempo(module)};
    int32_t starts = WatchOrders(player.watch, reading, FlowAt(player, reading.order, reading.row),
                                 player.rendered - 1, MUSIC_MIX_RATE);
    player.orderStarts += starts;
    player.current = reading;
    if (player.offline) {
        WriteOrderNotices(starts);
        return;
    }
    int64_t slice = player.rendered / SLICE_FRAMES;
    uint64_t packed = PackSlice({slice, reading.order, reading.row, player.orderStarts});
    player.ring[slice % RING_SLICES].store(packed, std::memory_order_release);
    player.latest.store(packed, std::memory_order_release);
    player.latestSlice.store(slice, std::memory_order_release);
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

// Renders `count` frames to `out` (or nowhere), reading the position at every
// slice boundary.
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

// Offline: appends `count` frames for the caller, the one rendered ahead
// first; the last one rendered now stays ahead.
void AppendRendered(Player& player, std::vector<int16_t>& target, int64_t count) {
    size_t start = target.size();
    target.resize(start + static_cast<size_t>(count + 1) * MUSIC_CHANNELS);
    int16_t* first = target.data() + start;
    std::copy(player.ahead.begin(), player.ahead.end(), first);
    RenderFrames(player, first + MUSIC_CHANNELS, count);
    std::copy(target.end() - MUSIC_CHANNELS, target.end(), player.ahead.begin());
    target.resize(target.size() - MUSIC_CHANNELS);
}

void FillDevice(void* user, int16_t* frames, int frameCount) {
    RenderFrames(*static_cast<Player*>(user), frames, frameCount);
}

// --- The music clock (any thread but the device's) -----------------------------

int64_t HeardFrame(Player& player) {
    AudioProgress progress = ReadAudioProgress();
    DeviceClock clock{progress.framesHandedOut, progress.lastCallbackMicros, progress.nowMicros,
                      player.device.latencyFrames, player.device.rate};
    // Shared by the main and the notice thread: never backwards for either.
    int64_t previous = player.heard.load();
    for (;;) {
        int64_t heard = EstimateHeardFrame(clock, previous);
        if (heard == previous || player.heard.compare_exchange_weak(previous, heard)) return heard;
    }
}

SliceRecord HeardSlice(Player& player, int64_t heard) {
    int64_t slice = heard / SLICE_FRAMES;
    uint64_t packed = player.ring[slice % RING_SLICES].load(std::memory_order_acquire);
    if (PackedSliceIs(packed, slice)) return UnpackSlice(packed, slice);
    // Not rendered yet (the clock cannot run ahead of the device, so only by a
    // rounding at the edge): the newest position there is.
    int64_t latestSlice = player.latestSlice.load(std::memory_order_acquire);
    return UnpackSlice(player.latest.load(std::memory_order_acquire), latestSlice);
}

// Writes the notices of the orders heard so far. Only the notice thread, and
// after it has ended the closing thread, call this.
void WriteHeardNotices(Player& player) {
    int64_t heard = HeardFrame(player);
    int64_t slice = heard / SLICE_FRAMES;
    uint64_t packed = player.ring[slice % RING_SLICES].load(std::memory_order_acquire);
    if (!PackedSliceIs(packed, slice)) return;
    auto starts = static_cast<uint16_t>(UnpackSlice(packed, slice).orderStarts);
    auto due = static_cast<uint16_t>(starts - player.noticesWritten);
    WriteOrderNotices(due);
    player.noticesWritten = starts;
}

void RunNotices(Player* player) {
    std::unique_lock lock(player->noticeMutex);
    while (!player->noticeStop) {
        lock.unlock();
        WriteHeardNotices(*player);
        lock.lock();
        player->noticeWake.wait_for(lock, NOTICE_POLL, [player] { return player->noticeStop; });
    }
}

// The device has stopped (StopMusic, or the window's teardown before exit):
// the notices of everything heard up to then are written, none after.
void OnDeviceClosed(void* user) {
    Player& player = *static_cast<Player*>(user);
    {
        std::lock_guard lock(player.noticeMutex);
        player.noticeStop = true;
    }
    player.noticeWake.notify_all();
    if (player.noticeThread.joinable()) player.noticeThread.join();
    WriteHeardNotices(player);
}

void DestroyPlayer(Player* player) {
    if (player->module) openmpt_module_destroy(player->module);
    delete player;
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

// A program that ends before its music starts still waits for the load.
void DropLoadedModule() {
    if (!LoadingAhead.joinable()) return;
    LoadingAhead.join();
    if (LoadedAhead.module) openmpt_module_destroy(LoadedAhead.module);
    LoadedAhead = {};
}

}  // namespace

// --- The player ---------------------------------------------------------------------

void UseOfflineMusic(bool offline) { OfflineWanted = offline; }

void LoadMusicAhead(const char* path) {
    if (LoadingAhead.joinable() || !path) return;
    LoadingAhead = std::thread([wanted = std::string(path)] { LoadedAhead = LoadModule(wanted); });
    static bool dropAtExit = std::atexit(DropLoadedModule) == 0;
    (void)dropAtExit;
}

bool StartMusic(const char* path) {
    if (ThePlayer || !path) return false;
    LoadedModule loaded = TakeLoadedModule(path);
    openmpt_module* module = loaded.module;
    if (!module) return false;

    auto player = std::make_unique<Player>();
    player->module = module;
    player->offline = OfflineWanted;
    player->rowFlows = std::move(loaded.rowFlows);
    player->watch.orderCount = openmpt_module_get_num_orders(module);
    // Order 0, row 0 at frame 0: the first order begins.
    TakeReading(*player);
    if (player->offline) {
        RenderFrames(*player, player->ahead.data(), 1);
        TakeReading(*player);
    } else {
        if (!OpenAudioOutput(MUSIC_MIX_RATE, DEVICE_BUFFER_FRAMES, FillDevice, OnDeviceClosed, player.get(),
                             &player->device)) {
            DestroyPlayer(player.release());
            return false;
        }
        player->noticeThread = std::thread(RunNotices, player.get());
    }
    ThePlayer = player.release();
    if (!ThePlayer->offline) StartAudioOutput();
    return true;
}

void StopMusic() {
    Player* player = ThePlayer;
    if (!player) return;
    // The device first: its thread renders from the module until it stops.
    if (!player->offline) CloseAudioOutput();
    ThePlayer = nullptr;
    DestroyPlayer(player);
}

void SetMusicLevel(float level) {
    if (Player* player = ThePlayer) player->level.store(std::clamp(level, 0.0f, 1.0f), std::memory_order_relaxed);
}

void GetMusicPosition(MusicPosition& position) {
    Player* player = ThePlayer;
    if (!player) {
        position = {0, 0, 0};
        return;
    }
    if (player->offline) {
        position = {player->current.order, player->current.row, FramesToMilliseconds(player->emitted)};
        return;
    }
    int64_t heard = HeardFrame(*player);
    SliceRecord slice = HeardSlice(*player, heard);
    position = {slice.order, slice.row, FramesToMilliseconds(heard)};
}

void RenderMusicUntil(int64_t frame, std::vector<int16_t>* out) {
    Player* player = ThePlayer;
    if (!player || !player->offline || frame <= player->emitted) return;
    int64_t count = frame - player->emitted;
    player->emitted = frame;
    if (!out) {
        RenderFrames(*player, nullptr, count - 1);
        RenderFrames(*player, player->ahead.data(), 1);
    } else {
        AppendRendered(*player, *out, count);
    }
    // The instant asked for, unless a slice boundary just read it.
    if (player->rendered % SLICE_FRAMES != 0) TakeReading(*player);
}

