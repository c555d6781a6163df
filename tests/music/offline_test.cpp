// The player rendering offline: positions at exact instants, order notices,
// jumps and loops of small modules made here, determinism, pan separation and
// the files it refuses.
#include "music/offline.h"
#include "tests/music/stdout_tap.h"
#include "tests/music/tiny_mod.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

// Speed 1 at tempo 125: a row is one tick of exactly 882 frames.
constexpr int64_t ROW = 882;
constexpr int64_t PATTERN = 64 * ROW;

// Two orders, one pattern each, a note at the start of each. (The tempo is
// set too: libopenmpt takes a module without tempo commands for an older
// tracker's, which ignored the row of a Dxx next to a Bxx.)
TinyMod TwoOrders() {
    TinyMod mod;
    mod.orders = {0, 1};
    mod.patterns.resize(2);
    mod.NoteAtEveryPatternStart(0);
    mod.Cell(0, 0, 1) = {0, 0, 0xF, 125};
    mod.Cell(0, 0, 3) = {0, 0, 0xF, 0x01};
    return mod;
}

std::string WriteMod(const TinyMod& mod) { return WriteTempFile("tiny.mod", BuildTinyMod(mod)); }

class OfflineMusic : public testing::Test {
protected:
    void TearDown() override { StopMusic(); }
};

TEST_F(OfflineMusic, PositionAtExactInstantsAndLoopingAtTheEnd) {
    ASSERT_TRUE(StartMusic(WriteMod(TwoOrders()).c_str()));
    struct Instant {
        int64_t frame;
        MusicPosition expected;
    };
    const Instant instants[] = {
        {0, {0, 0, 0}},
        {ROW - 1, {0, 0, 19}},
        {ROW, {0, 1, 20}},
        {PATTERN - 1, {0, 63, 1279}},
        {PATTERN, {1, 0, 1280}},
        {PATTERN + 5 * ROW + 17, {1, 5, 1380}},
        {2 * PATTERN, {0, 0, 2560}},   // the song starts again
        {2 * PATTERN + ROW, {0, 1, 2580}},
    };
    for (const Instant& instant : instants) {
        RenderMusicUntil(instant.frame, nullptr);
        MusicPosition position{-1, -1, -1};
        GetMusicPosition(position);
        EXPECT_EQ(position.order, instant.expected.order) << "frame " << instant.frame;
        EXPECT_EQ(position.row, instant.expected.row) << "frame " << instant.frame;
        EXPECT_EQ(position.milliseconds, instant.expected.milliseconds) << "frame " << instant.frame;
    }
}

TEST_F(OfflineMusic, RendersExactlyTheFramesAskedForAndNeverGoesBack) {
    ASSERT_TRUE(StartMusic(WriteMod(TwoOrders()).c_str()));
    std::vector<int16_t> samples{7, 7};   // appended to, not replaced
    RenderMusicUntil(1000, &samples);
    EXPECT_EQ(samples.size(), 2u + 2000u);
    RenderMusicUntil(1000, &samples);
    RenderMusicUntil(10, &samples);
    EXPECT_EQ(samples.size(), 2u + 2000u);
    RenderMusicUntil(1001, &samples);
    EXPECT_EQ(samples.size(), 2u + 2002u);
    EXPECT_EQ(samples[0], 7);
    MusicPosition position{};
    GetMusicPosition(position);
    EXPECT_EQ(position.milliseconds, 22);   // 1001 frames
}

// gtest reports failures on stdout too: checks come after the tap is gone.
TEST_F(OfflineMusic, NoticeAtTheStartAndAtEveryOrder) {
    std::vector<std::string> written;
    {
        StdoutTap tap;
        ASSERT_TRUE(StartMusic(WriteMod(TwoOrders()).c_str()));
        written.push_back(tap.Take());
        RenderMusicUntil(PATTERN - 1, nullptr);
        written.push_back(tap.Take());
        RenderMusicUntil(PATTERN, nullptr);   // the instant order 1 begins
        written.push_back(tap.Take());
        RenderMusicUntil(3 * PATTERN + 1, nullptr);   // back to 0, on to 1
        written.push_back(tap.Take());
    }
    bool exact = false;
    EXPECT_EQ(CountNotices(written[0], MUSIC_ORDER_NOTICE), 1) << "the start of order 0";
    EXPECT_EQ(CountNotices(written[1], MUSIC_ORDER_NOTICE), 0);
    EXPECT_EQ(CountNotices(written[2], MUSIC_ORDER_NOTICE), 1);
    EXPECT_EQ(CountNotices(written[3], MUSIC_ORDER_NOTICE, &exact), 2);
    EXPECT_TRUE(exact) << "stdout held more than the notices: " << written[3];
}

// Effects are written as the tracker shows them: 0xB for Bxx, 0xD for Dxx...
struct JumpSong {
    const char* name;
    TinyMod mod;
    int64_t until;      // rendered up to this frame
    int32_t notices;    // the start included
};

std::vector<JumpSong> JumpSongs() {
    std::vector<JumpSong> songs;
    {
        JumpSong song{"B00 on row 3: every pass of rows 0-3 is an order", TwoOrders(), 10 * 4 * ROW - 1, 10};
        song.mod.Cell(0, 3, 1) = {0, 0, 0xB, 0x00};
        songs.push_back(song);
    }
    {
        JumpSong song{"D00 on row 5 of a one-order song", TwoOrders(), 5 * 6 * ROW - 1, 5};
        song.mod.orders = {0};
        song.mod.Cell(0, 5, 1) = {0, 0, 0xD, 0x00};
        songs.push_back(song);
    }
    {
        // Rows 0-3 three times, then rows 4-63: order 1 at row 72 of the run.
        JumpSong song{"E60/E62 loop within the order: no notice", TwoOrders(), 72 * ROW - 1, 1};
        song.mod.Cell(0, 0, 2) = {0, 0, 0xE, 0x60};
        song.mod.Cell(0, 3, 2) = {0, 0, 0xE, 0x62};
        songs.push_back(song);
    }
    {
        JumpSong song{"after the loop, order 1", TwoOrders(), 72 * ROW, 2};
        song.mod.Cell(0, 0, 2) = {0, 0, 0xE, 0x60};
        song.mod.Cell(0, 3, 2) = {0, 0, 0xE, 0x62};
        songs.push_back(song);
    }
    {
        // Row 2 jumps onto itself: order 0 starts at frame 0 and again at
        // every pass of row 2 after the first.
        JumpSong song{"B00 with D02 on row 2 jumps onto row 2 itself", TwoOrders(), 2 * ROW + 10 * ROW - 1, 1 + 9};
        song.mod.Cell(0, 2, 1) = {0, 0, 0xB, 0x00};
        song.mod.Cell(0, 2, 2) = {0, 0, 0xD, 0x02};
        songs.push_back(song);
    }
    {
        JumpSong song{"B01 from order 0 row 1 to order 1, and D00 back to order 0 (wraps)", TwoOrders(),
                      6 * 2 * ROW - 1, 1 + 5};
        song.mod.Cell(0, 1, 1) = {0, 0, 0xB, 0x01};
        song.mod.Cell(1, 1, 1) = {0, 0, 0xD, 0x00};
        songs.push_back(song);
    }
    return songs;
}

TEST_F(OfflineMusic, JumpsBreaksAndLoopsOfSmallSongs) {
    for (const JumpSong& song : JumpSongs()) {
        std::string written;
        bool started = false;
        {
            StdoutTap tap;
            started = StartMusic(WriteMod(song.mod).c_str());
            // At the frame steps of a 60 Hz capture.
            for (int64_t frame = 735; frame < song.until; frame += 735) RenderMusicUntil(frame, nullptr);
            RenderMusicUntil(song.until, nullptr);
            written = tap.Take();
            StopMusic();
        }
        ASSERT_TRUE(started) << song.name;
        EXPECT_EQ(CountNotices(written, MUSIC_ORDER_NOTICE), song.notices) << song.name;
    }
}

std::vector<int16_t> RenderInSteps(const std::string& path, const std::vector<int64_t>& steps, int64_t until) {
    std::vector<int16_t> samples;
    if (!StartMusic(path.c_str())) return samples;
    int64_t frame = 0;
    for (size_t i = 0; frame < until; ++i) {
        frame = std::min(until, frame + steps[i % steps.size()]);
        RenderMusicUntil(frame, &samples);
    }
    StopMusic();
    return samples;
}

TEST_F(OfflineMusic, SameSamplesOnEveryRunWhateverTheSteps) {
    std::string path = WriteMod(TwoOrders());
    int64_t until = 2 * PATTERN + 12345;
    std::vector<int16_t> first = RenderInSteps(path, {735}, until);
    ASSERT_EQ(first.size(), static_cast<size_t>(until) * 2);
    EXPECT_EQ(RenderInSteps(path, {735}, until), first);
    EXPECT_EQ(RenderInSteps(path, {1, 255, 257, 4000, 1470, 3}, until), first);
    bool sound = false;
    for (int16_t sample : first) sound = sound || sample != 0;
    EXPECT_TRUE(sound);
}

// The program loads its module while the window is being made: the start then
// plays exactly what a plain start plays, and only for the path loaded.
TEST_F(OfflineMusic, ModuleLoadedAheadPlaysAsAPlainStart) {
    std::string twoOrders = WriteMod(TwoOrders());
    TinyMod other = TwoOrders();
    other.orders = {1, 0, 1};
    std::string threeOrders = WriteTempFile("other.mod", BuildTinyMod(other));
    int64_t until = PATTERN + 999;
    std::vector<int16_t> plainTwo = RenderInSteps(twoOrders, {735}, until);
    std::vector<int16_t> plainThree = RenderInSteps(threeOrders, {735}, until);
    ASSERT_NE(plainTwo, plainThree);

    LoadMusicAhead(twoOrders.c_str());
    EXPECT_EQ(RenderInSteps(twoOrders, {735}, until), plainTwo);
    LoadMusicAhead(twoOrders.c_str());
    EXPECT_EQ(RenderInSteps(threeOrders, {735}, until), plainThree) << "another path than the one loaded";
    EXPECT_EQ(RenderInSteps(twoOrders, {735}, until), plainTwo) << "a start after that one loads anew";

    LoadMusicAhead((twoOrders + ".missing").c_str());
    EXPECT_FALSE(StartMusic((twoOrders + ".missing").c_str()));
    // Loaded and never started: the load is waited for and released at exit.
    LoadMusicAhead(twoOrders.c_str());
}

TEST_F(OfflineMusic, LevelMovesInAStraightLineOverWhatIsRenderedNext) {
    std::string path = WriteMod(TwoOrders());
    int64_t until = PATTERN + 20000;
    std::vector<int16_t> plain = RenderInSteps(path, {735}, until);
    // Half a second as written, then 0.8 reached over the next 1000 frames, held
    // for 1000, then silence reached over another 1000.
    constexpr int64_t START = MUSIC_MIX_RATE / 2;
    ASSERT_TRUE(StartMusic(path.c_str()));
    std::vector<int16_t> faded;
    SetMusicLevel(1.0f);   // as written: nothing is touched
    RenderMusicUntil(START, &faded);
    SetMusicLevel(0.8f);
    RenderMusicUntil(START + 1000, &faded);
    RenderMusicUntil(START + 2000, &faded);
    SetMusicLevel(0.0f);
    RenderMusicUntil(START + 3000, &faded);
    RenderMusicUntil(until, &faded);
    ASSERT_EQ(faded.size(), plain.size());
    EXPECT_TRUE(std::equal(plain.begin(), plain.begin() + 2 * (START + 1), faded.begin())) << "changed before the call";
    // Frame START was rendered ahead with the instant before it: the ramps start one frame on.
    const struct {
        int64_t frame;
        double level;
    } marks[] = {{START + 1, 0.9998}, {START + 500, 0.9},  {START + 1000, 0.8},
                 {START + 1750, 0.8},   {START + 2500, 0.4}, {START + 2999, 0.0008}};
    for (const auto& mark : marks)
        for (int64_t c = 0; c < 2; ++c) {
            size_t i = static_cast<size_t>(2 * mark.frame + c);
            EXPECT_NEAR(faded[i], plain[i] * mark.level * mark.level, 0.51)
                << "frame " << mark.frame;
        }
    EXPECT_TRUE(std::all_of(faded.begin() + 2 * (START + 3000), faded.end(), [](int16_t v) { return v == 0; }))
        << "not silent at level 0";
    bool plainSound = false;
    for (size_t i = 2 * (START + 3000); i < plain.size(); ++i) plainSound = plainSound || plain[i] != 0;
    EXPECT_TRUE(plainSound) << "the module is silent there anyway";
}

// Side over mid of one note on one channel: +0.15 for a left channel, -0.15 for a right one.
double MeasureSeparation(int32_t channel) {
    TinyMod mod;
    mod.Cell(0, 0, channel) = {1, TINY_C2, 0, 0};
    if (!StartMusic(WriteMod(mod).c_str())) return NAN;
    std::vector<int16_t> samples;
    RenderMusicUntil(MUSIC_MIX_RATE, &samples);
    StopMusic();
    double sideMid = 0, midMid = 0;
    for (size_t i = 0; i + 1 < samples.size(); i += 2) {
        double left = samples[i], right = samples[i + 1];
        sideMid += (left - right) * (left + right);
        midMid += (left + right) * (left + right);
    }
    return midMid > 0 ? sideMid / midMid : NAN;
}

TEST_F(OfflineMusic, PanSeparationIsFifteenHundredths) {
    // ProTracker channels 0 and 3 are left, 1 and 2 right.
    EXPECT_NEAR(MeasureSeparation(0), 0.15, 0.005);
    EXPECT_NEAR(MeasureSeparation(1), -0.15, 0.005);
}

TEST_F(OfflineMusic, BackslashPathsAsTheProgramWritesThem) {
    std::string path = WriteMod(TwoOrders());
    size_t slash = path.rfind('/');
    path[slash] = '\\';
    EXPECT_TRUE(StartMusic(path.c_str())) << path;
}

TEST_F(OfflineMusic, OneStartAtATime) {
    std::string path = WriteMod(TwoOrders());
    ASSERT_TRUE(StartMusic(path.c_str()));
    EXPECT_FALSE(StartMusic(path.c_str()));
    StopMusic();
    StopMusic();
    EXPECT_TRUE(StartMusic(path.c_str()));
}

TEST_F(OfflineMusic, FilesThatAreNoModuleGiveFalse) {
    std::mt19937 random(5);
    std::vector<uint8_t> noise(4096);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
    std::string text = "This is not a module, only a few words of text.\n";
    std::vector<uint8_t> valid = BuildTinyMod(TwoOrders());
    struct BadFile {
        const char* name;
        std::string path;
    };
    std::string missing = WriteMod(TwoOrders()) + ".missing";
    std::string folder = WriteMod(TwoOrders());
    folder = folder.substr(0, folder.rfind('/'));
    const BadFile files[] = {
        {"missing", missing},
        {"a folder", folder},
        {"empty", WriteTempFile("empty.mod", {})},
        {"text", WriteTempFile("text.mod", std::vector<uint8_t>(text.begin(), text.end()))},
        {"noise", WriteTempFile("noise.mod", noise)},
        {"cut inside the header", WriteTempFile("cut.mod", std::vector<uint8_t>(valid.begin(), valid.begin() + 600))},
    };
    for (const BadFile& file : files) {
        bool started = true;
        std::string written;
        {
            StdoutTap tap;
            started = StartMusic(file.path.c_str());
            written = tap.Take();
        }
        EXPECT_FALSE(started) << file.name;
        EXPECT_EQ(written, "") << file.name;
        MusicPosition position{-1, -1, -1};
        GetMusicPosition(position);
        EXPECT_EQ(position.order, 0) << file.name;
        RenderMusicUntil(1000, nullptr);
        StopMusic();
    }
    EXPECT_FALSE(StartMusic(nullptr));
    EXPECT_TRUE(StartMusic(WriteMod(TwoOrders()).c_str())) << "a good file after the bad ones";
}

}  // namespace
