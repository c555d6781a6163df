// The music played on the audio device, with the clock of what is heard.
//
// Only the device thread touches the module. It renders in slices of
// SLICE_FRAMES and, at every slice boundary, reads the position and stores it,
// with the running count of order starts, in a ring of atomics. The main thread
// and the notice thread never touch the module: they estimate the frame heard
// now from the device's counters and look its slice up in the ring.
#include "music/clock.h"
#include "music/player.h"
#include "platform/audio.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

constexpr int32_t DEVICE_BUFFER_FRAMES = 1024;
constexpr auto NOTICE_POLL = std::chrono::milliseconds(4);

// What the device thread publishes and the others read, for one start.
struct LiveOutput {
    Player* player = nullptr;   // rendered by the device thread alone
    AudioDeviceInfo device{};
    SliceRing ring;
    // The last frame the clock said was heard, for the main and the notice thread.
    std::atomic<int64_t> heard{0};

    // The thread that writes the order notices as they become audible.
    std::thread noticeThread;
    std::mutex noticeMutex;
    std::condition_variable noticeWake;
    bool noticeStop = false;
    uint16_t noticesWritten = 0;
};

// Never destroyed behind the program's back: the device thread may still run
// while exit() destroys statics (a test ending without StopMusic).
LiveOutput* TheOutput;

int64_t HeardFrame(LiveOutput& output) {
    AudioProgress progress = ReadAudioProgress();
    DeviceClock clock{progress.framesHandedOut, progress.lastCallbackMicros, progress.nowMicros,
                      output.device.latencyFrames, output.device.rate};
    // Shared by the main and the notice thread: never backwards for either.
    int64_t previous = output.heard.load();
    for (;;) {
        int64_t heard = EstimateHeardFrame(clock, previous);
        if (heard == previous || output.heard.compare_exchange_weak(previous, heard)) return heard;
    }
}

// Writes the notices of the orders heard so far. Only the notice thread, and
// after it has ended the closing thread, call this.
void WriteHeardNotices(LiveOutput& output) {
    SliceRecord heard;
    if (!FindSlice(output.ring, HeardFrame(output), &heard)) return;
    auto starts = static_cast<uint16_t>(heard.orderStarts);
    auto due = static_cast<uint16_t>(starts - output.noticesWritten);
    WriteOrderNotices(due);
    output.noticesWritten = starts;
}

void RunNotices(LiveOutput* output) {
    std::unique_lock lock(output->noticeMutex);
    while (!output->noticeStop) {
        lock.unlock();
        WriteHeardNotices(*output);
        lock.lock();
        output->noticeWake.wait_for(lock, NOTICE_POLL, [output] { return output->noticeStop; });
    }
}

// The device has stopped (StopMusic, or the window's teardown before exit):
// the notices of everything heard up to then are written, none after.
void OnDeviceClosed(void* user) {
    LiveOutput& output = *static_cast<LiveOutput*>(user);
    {
        std::lock_guard lock(output.noticeMutex);
        output.noticeStop = true;
    }
    output.noticeWake.notify_all();
    if (output.noticeThread.joinable()) output.noticeThread.join();
    WriteHeardNotices(output);
}

void FillDevice(void* user, int16_t* frames, int frameCount) {
    RenderFrames(*static_cast<LiveOutput*>(user)->player, frames, frameCount);
}

}  // namespace

void PublishReading(Player& player, int32_t /*starts*/) {
    PublishSlice(TheOutput->ring,
                 {player.rendered / SLICE_FRAMES, player.current.order, player.current.row, player.orderStarts});
}

bool StartMusic(const char* path) {
    if (ThePlayer) return false;
    std::unique_ptr<Player, void (*)(Player*)> player(MakePlayer(path), DestroyPlayer);
    if (!player) return false;
    auto output = std::make_unique<LiveOutput>();
    output->player = player.get();
    TheOutput = output.get();
    // Order 0, row 0 at frame 0: the first order begins.
    TakeReading(*player);
    if (!OpenAudioOutput(MUSIC_MIX_RATE, DEVICE_BUFFER_FRAMES, FillDevice, OnDeviceClosed, output.get(),
                         &output->device)) {
        TheOutput = nullptr;
        return false;
    }
    output->noticeThread = std::thread(RunNotices, output.get());
    ThePlayer = player.release();
    TheOutput = output.release();
    StartAudioOutput();
    return true;
}

void StopMusic() {
    Player* player = ThePlayer;
    if (!player) return;
    // The device first: its thread renders from the module until it stops.
    CloseAudioOutput();
    ThePlayer = nullptr;
    DestroyPlayer(player);
    delete TheOutput;
    TheOutput = nullptr;
}

void GetMusicPosition(MusicPosition& position) {
    Player* player = ThePlayer;
    if (!player) {
        position = {0, 0, 0};
        return;
    }
    int64_t heard = HeardFrame(*TheOutput);
    SliceRecord slice = HeardSlice(TheOutput->ring, heard);
    position = {slice.order, slice.row, FramesToMilliseconds(heard)};
}
