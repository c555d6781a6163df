// The player on an SDL audio device: the dummy driver for the clock and the
// notices, the disk driver for the sound itself, and a driver that cannot open.
#include "music/music.h"
#include "platform/audio.h"
#include "tests/music/stdout_tap.h"
#include "tests/music/tiny_mod.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int64_t ROW = 882;
// Every order is 8 rows of 882 frames: 160 ms.
constexpr int64_t ORDER_FRAMES = 8 * ROW;

TinyMod ShortOrders() {
    TinyMod mod;
    mod.orders = {0, 1, 0, 1};
    mod.patterns.resize(2);
    mod.NoteAtEveryPatternStart(0);
    mod.NoteAtEveryPatternStart(1);
    mod.Cell(0, 0, 2) = {0, 0, 0xF, 125};
    mod.Cell(0, 0, 3) = {0, 0, 0xF, 0x01};
    mod.Cell(0, 7, 3) = {0, 0, 0xD, 0};
    mod.Cell(1, 7, 3) = {0, 0, 0xD, 0};
    return mod;
}

// Orders begun by the instant of a position, the first one included.
int64_t OrdersHeardBy(const MusicPosition& position) {
    return static_cast<int64_t>(position.milliseconds) * MUSIC_MIX_RATE / 1000 / ORDER_FRAMES + 1;
}

size_t LeadingZeros(const std::vector<int16_t>& samples) {
    size_t count = 0;
    while (count < samples.size() && samples[count] == 0) ++count;
    return count;
}

void Sleep(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

class LiveMusic : public testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        path_ = WriteTempFile("short.mod", BuildTinyMod(ShortOrders()));
    }
    void TearDown() override { StopMusic(); }

    // Starts the music on SDL's disk driver; the sound goes to the file returned.
    std::string StartOnDisk(const char* fileName) {
        std::string file = std::filesystem::path(path_).parent_path() / fileName;
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
        return StartMusic(path_.c_str()) ? file : std::string();
    }

    static std::vector<int16_t> ReadDiskSamples(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_EQ(bytes.size() % 4, 0u);
        std::vector<int16_t> samples(bytes.size() / 2);
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
        return samples;
    }

    // The same module rendered offline, by the tool linked with the offline output.
    static std::vector<int16_t> RenderOffline(const std::string& module, int64_t frames) {
        std::string out = module + ".offline.raw";
        std::string command = std::string(RENDER_OFFLINE) + " '" + module + "' " + std::to_string(frames) + " '" + out + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return ReadDiskSamples(out);
    }

    std::string path_;
};

TEST_F(LiveMusic, StartsAtTheBeginningAndTheClockTracksTheDevice) {
    Clock::time_point started = Clock::now();
    ASSERT_TRUE(StartMusic(path_.c_str()));
    MusicPosition position{};
    GetMusicPosition(position);
    EXPECT_EQ(position.order, 0);
    EXPECT_EQ(position.row, 0);
    EXPECT_LT(position.milliseconds, 30);

    MusicPosition last{}, early{};
    Clock::time_point earlyAt{};
    int32_t bufferMs = 1024 * 1000 / MUSIC_MIX_RATE;
    while (Clock::now() - started < std::chrono::milliseconds(1200)) {
        AudioProgress before = ReadAudioProgress();
        GetMusicPosition(position);
        AudioProgress after = ReadAudioProgress();
        auto handedOutMs = static_cast<int32_t>(after.framesHandedOut * 1000 / MUSIC_MIX_RATE);
        // The dummy device plays a buffer in the time after its callback: what
        // is heard lies within the last buffer handed out (when no callback
        // came in between the readings), never beyond it.
        EXPECT_LE(position.milliseconds, handedOutMs);
        if (before.framesHandedOut == after.framesHandedOut) {
            EXPECT_GE(position.milliseconds, handedOutMs - bufferMs - 1);
        }
        EXPECT_GE(position.milliseconds, last.milliseconds);
        EXPECT_TRUE(position.order > last.order || (position.order == last.order && position.row >= last.row) ||
                    position.order == 0)
            << "backwards from " << last.order << "/" << last.row << " to " << position.order << "/" << position.row;
        // Order and row belong to the instant the milliseconds say.
        int64_t frame = static_cast<int64_t>(position.milliseconds) * MUSIC_MIX_RATE / 1000;
        int64_t row = frame / ROW % 8;
        EXPECT_TRUE(position.row == row || position.row == (row + 7) % 8)
            << "row " << position.row << " at " << position.milliseconds << " ms";
        last = position;
        if (earlyAt == Clock::time_point{} && Clock::now() - started > std::chrono::milliseconds(200)) {
            early = position;
            earlyAt = Clock::now();
        }
        Sleep(3);
    }
    // The dummy device keeps about the pace of the wall clock (it sleeps a
    // buffer's length, rounded down to the millisecond, plus what a loaded
    // machine adds).
    double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - earlyAt).count();
    double pace = (last.milliseconds - early.milliseconds) / wallMs;
    EXPECT_GT(pace, 0.7);
    EXPECT_LT(pace, 1.1);
}

TEST_F(LiveMusic, NoticesWhenTheOrderIsHeardNeitherBeforeNorLong) {
    std::vector<std::string> failures;
    std::string written;
    {
        StdoutTap tap;
        ASSERT_TRUE(StartMusic(path_.c_str()));
        int64_t seen = 0;
        for (int i = 0; i < 40; ++i) {
            // Written: only orders already heard.
            seen += CountNotices(tap.Take(), MUSIC_ORDER_NOTICE);
            MusicPosition position{};
            GetMusicPosition(position);
            if (seen > OrdersHeardBy(position))
                failures.push_back(std::to_string(seen) + " notices at " + std::to_string(position.milliseconds) + " ms");
            // Heard: written a poll later at the most.
            Sleep(15);
            seen += CountNotices(tap.Take(), MUSIC_ORDER_NOTICE);
            if (seen < OrdersHeardBy(position))
                failures.push_back("only " + std::to_string(seen) + " notices 15 ms after " +
                                   std::to_string(position.milliseconds) + " ms");
        }
        StopMusic();
        written = tap.Take();
    }
    for (const std::string& failure : failures) ADD_FAILURE() << failure;
}

TEST_F(LiveMusic, ClosingTheDeviceWritesEveryNoticeHeardAndNoMore) {
    std::string written;
    MusicPosition before{}, after{};
    {
        StdoutTap tap;
        ASSERT_TRUE(StartMusic(path_.c_str()));
        Sleep(700);
        GetMusicPosition(before);
        // As the window's teardown does before exit().
        CloseAudioOutput();
        written = tap.Take();
        GetMusicPosition(after);
        Sleep(50);
        written += tap.Take();
        StopMusic();
        written += tap.Take();
    }
    bool exact = false;
    int notices = CountNotices(written, MUSIC_ORDER_NOTICE, &exact);
    EXPECT_TRUE(exact) << written;
    EXPECT_GE(notices, OrdersHeardBy(before));
    EXPECT_LE(notices, OrdersHeardBy(after));
    EXPECT_GE(OrdersHeardBy(before), 4);
}

TEST_F(LiveMusic, ADeviceThatCannotOpenGivesFalse) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    std::string written;
    bool started = true;
    {
        StdoutTap tap;
        started = StartMusic(path_.c_str());
        written = tap.Take();
    }
    EXPECT_FALSE(started);
    EXPECT_EQ(written, "");
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_TRUE(StartMusic(path_.c_str()));
}

TEST_F(LiveMusic, TheDiskDriverGetsTheModulesSound) {
    std::string file = StartOnDisk("disk.raw");
    ASSERT_FALSE(file.empty());
    Sleep(300);
    auto firstSize = static_cast<double>(std::filesystem::file_size(file));
    Clock::time_point firstAt = Clock::now();
    Sleep(1000);
    auto lastSize = static_cast<double>(std::filesystem::file_size(file));
    double seconds = std::chrono::duration<double>(Clock::now() - firstAt).count();
    StopMusic();
    unsetenv("SDL_DISKAUDIOFILE");
    // 44100 stereo 16-bit frames a second.
    EXPECT_NEAR((lastSize - firstSize) / seconds, MUSIC_MIX_RATE * 4.0, MUSIC_MIX_RATE * 4.0 * 0.15);

    // Exactly what offline rendering of the module gives, after whatever
    // buffers of silence the device wrote while it waited to be started.
    std::vector<int16_t> live = ReadDiskSamples(file);
    std::vector<int16_t> offline = RenderOffline(path_, static_cast<int64_t>(live.size() / 2));
    ASSERT_EQ(live.size(), offline.size());
    size_t skipped = LeadingZeros(live) - LeadingZeros(offline);
    EXPECT_EQ(skipped % (1024 * 2), 0u) << "not whole device buffers of silence";
    EXPECT_TRUE(std::equal(live.begin() + static_cast<ptrdiff_t>(skipped), live.end(), offline.begin()))
        << "the disk file differs from the module's sound";
    double energy = 0;
    for (int16_t sample : live) energy += static_cast<double>(sample) * sample;
    EXPECT_GT(std::sqrt(energy / static_cast<double>(live.size())), 300.0) << "silent";
}

TEST_F(LiveMusic, TheLevelReachesTheDeviceAndZeroIsSilence) {
    std::string file = StartOnDisk("fade.raw");
    ASSERT_FALSE(file.empty());
    Sleep(300);
    SetMusicLevel(0.5f);
    Sleep(200);
    SetMusicLevel(0.0f);
    Sleep(800);
    StopMusic();
    unsetenv("SDL_DISKAUDIOFILE");
    std::vector<int16_t> live = ReadDiskSamples(file);
    // The last device buffers came well after level 0: silence, where the
    // module itself sounds all along (a note at every order).
    size_t tail = 2 * 1024 * 2;
    ASSERT_GT(live.size(), 20 * tail);
    EXPECT_TRUE(std::all_of(live.end() - static_cast<ptrdiff_t>(tail), live.end(), [](int16_t v) { return v == 0; }))
        << "sound at level 0";
    EXPECT_GT(live.size() - LeadingZeros(live), 10 * tail) << "no sound before";
}

}  // namespace
