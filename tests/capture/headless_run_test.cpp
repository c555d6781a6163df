// The whole show through the headless harness. Each test runs in a process of
// its own (a run makes the window and the tables once), in the build folder,
// where the generated data folder lives.
#include "tools/capture/capture_output.h"

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

namespace {

bool HaveData() { return std::filesystem::is_regular_file("data/phatfunk.mod"); }

#define SKIP_WITHOUT_DATA() \
    if (!HaveData()) GTEST_SKIP() << "no data folder in " << std::filesystem::current_path() << ": build it first"

struct Seen {
    int64_t frame;
    double milliseconds;
    bool hasRgb;
    size_t audioSamples;
    ShowStatus status;
};

std::vector<Seen> RunShowCollecting(HeadlessRunOptions options, int* result) {
    std::vector<Seen> seen;
    options.onFrame = [&](const HeadlessFrame& frame) {
        seen.push_back({frame.index, frame.milliseconds, frame.rgb != nullptr, frame.audio.size(), frame.status});
    };
    *result = RunHeadlessShow(options);
    return seen;
}

// Index of the first frame of `phase`, or -1.
int64_t FirstOf(const std::vector<Seen>& seen, ShowPhase phase) {
    for (const Seen& s : seen)
        if (s.status.phase == phase) return s.frame;
    return -1;
}

TEST(HeadlessRun, FramesClockAndMusicMoveInLockstep) {
    SKIP_WITHOUT_DATA();
    HeadlessRunOptions options;
    options.fps = 7;   // frames that fall between whole milliseconds and samples
    // Held from the start: straight from the intro to the outro. (Given out of
    // order; the release would come during the outro, which reads no keys.)
    options.keys = {{20000, VK_ESCAPE, false}, {0, VK_ESCAPE, true}};
    int result = -1;
    std::vector<Seen> seen = RunShowCollecting(options, &result);
    ASSERT_EQ(result, HEADLESS_SHOW_ENDED);
    ASSERT_FALSE(seen.empty());
    for (size_t i = 0; i < seen.size(); ++i) {
        ASSERT_EQ(seen[i].frame, static_cast<int64_t>(i));
        EXPECT_DOUBLE_EQ(seen[i].milliseconds, i * 1000.0 / 7);
        EXPECT_TRUE(seen[i].hasRgb);
        // The sound heard from this frame's instant to the next one's.
        EXPECT_EQ(seen[i].audioSamples, static_cast<size_t>(2 * (FrameFirstSample(i + 1, 7) - FrameFirstSample(i, 7))))
            << "frame " << i;
    }

    // Intro, no menu (Escape held when the intro ended), outro.
    int64_t outro = FirstOf(seen, ShowPhase::OUTRO);
    ASSERT_GT(outro, 0);
    EXPECT_EQ(FirstOf(seen, ShowPhase::MENU), -1);
    for (int64_t i = 0; i < outro; ++i) ASSERT_EQ(seen[i].status.phase, ShowPhase::INTRO) << "frame " << i;
    for (size_t i = outro; i < seen.size(); ++i) ASSERT_EQ(seen[i].status.phase, ShowPhase::OUTRO) << "frame " << i;
    // The intro's last frame is the first that read the second order.
    for (int64_t i = 0; i + 1 < outro; ++i) ASSERT_LT(seen[i].status.order, 1) << "frame " << i;
    EXPECT_GE(seen[outro - 1].status.order, 1);
    // The outro ends with its first frame eight seconds (by the millisecond clock) after its start.
    auto clock = [&](int64_t i) { return static_cast<int64_t>(seen[i].milliseconds); };
    EXPECT_GE(clock(seen.size() - 1) - clock(outro), 8000);
    EXPECT_LT(clock(seen.size() - 2) - clock(outro), 8000);
}

TEST(HeadlessRun, KeysTakeEffectInTheFirstFrameAtOrAfterTheirTime) {
    SKIP_WITHOUT_DATA();
    constexpr double ESCAPE_AT = 10010.0;   // between the frames at 10000 and 10033.3 ms
    HeadlessRunOptions options;
    options.fps = 30;
    options.readPixels = false;
    options.keys = {{ESCAPE_AT, VK_ESCAPE, true}};
    int result = -1;
    std::vector<Seen> seen = RunShowCollecting(options, &result);
    ASSERT_EQ(result, HEADLESS_SHOW_ENDED);
    int64_t menu = FirstOf(seen, ShowPhase::MENU);
    if (menu < 0 || seen[menu].milliseconds >= ESCAPE_AT) GTEST_SKIP() << "the intro lasts beyond 10 s";
    EXPECT_FALSE(seen[0].hasRgb);
    // The menu sees Escape after the frame at 10033.3 ms and ends with it.
    int64_t outro = FirstOf(seen, ShowPhase::OUTRO);
    ASSERT_EQ(outro, 302);
    EXPECT_EQ(seen[outro - 1].status.phase, ShowPhase::MENU);
}

// A show starts with no key held, whatever was left down in the process before
// it (as by an earlier run when these tests run together): Escape held from
// before would skip the menu.
TEST(HeadlessRun, EachShowStartsWithNoKeyHeld) {
    SKIP_WITHOUT_DATA();
    KeyTable[VK_ESCAPE] = 1;
    HeadlessRunOptions options;
    options.fps = 5;
    options.readPixels = false;
    options.limitMilliseconds = 20000;
    int result = -1;
    std::vector<Seen> seen = RunShowCollecting(options, &result);
    EXPECT_EQ(result, HEADLESS_LIMIT_REACHED) << "the menu waits for a key";
    EXPECT_GE(FirstOf(seen, ShowPhase::MENU), 0);
}

TEST(HeadlessRun, LimitStopsAShowThatNeverEnds) {
    SKIP_WITHOUT_DATA();
    HeadlessRunOptions options;
    options.limitMilliseconds = 1000;
    int result = -1;
    std::vector<Seen> seen = RunShowCollecting(options, &result);
    EXPECT_EQ(result, HEADLESS_LIMIT_REACHED);
    // Every frame before the limit, none after it.
    ASSERT_EQ(seen.size(), 60u);
    EXPECT_LT(seen.back().milliseconds, 1000.0);
}

TEST(HeadlessRun, TourOpensEveryEntryTurnsEveryPageAndEnds) {
    SKIP_WITHOUT_DATA();
    HeadlessRunOptions options;
    options.fps = 5;   // the lowest rate the tour is made for
    options.readPixels = false;
    std::string error;
    ASSERT_TRUE(ParseKeyScript(BuiltInTour(), &options.keys, &error)) << error;
    int result = -1;
    std::vector<Seen> seen = RunShowCollecting(options, &result);
    ASSERT_EQ(result, HEADLESS_SHOW_ENDED);
    const int32_t pages[4] = {3, 3, 3, 8};
    bool shown[4][8] = {};
    for (const Seen& s : seen)
        if (s.status.phase == ShowPhase::MENU && s.status.entry >= 0 && s.status.entry < 4 && s.status.page >= 0 &&
            s.status.page < pages[s.status.entry])
            shown[s.status.entry][s.status.page] = true;
    for (int entry = 0; entry < 4; ++entry)
        for (int page = 0; page < pages[entry]; ++page)
            EXPECT_TRUE(shown[entry][page]) << "entry " << entry << " page " << page;
    // The tour's first key comes after the intro has ended.
    int64_t menu = FirstOf(seen, ShowPhase::MENU);
    ASSERT_GE(menu, 0);
    EXPECT_LT(seen[menu].milliseconds + 1000, options.keys.front().milliseconds);
}

TEST(HeadlessRun, StartupFailureIsReportedAsTheProgramDoes) {
    std::filesystem::path empty =
        std::filesystem::temp_directory_path() / ("headless-empty-" + std::to_string(getpid()));
    std::filesystem::create_directories(empty);
    // A folder that is not there fails before the window; an empty one when the music is missing.
    const struct {
        std::string dataFolder;
        std::string message;
    } cases[] = {{(empty / "missing").string(), "Error: data folder " + (empty / "missing").string() + " not found\n"},
                 {empty.string(), "Error: cannot play audio\n"}};
    for (const auto& c : cases) {
        HeadlessRunOptions options;
        options.dataFolder = c.dataFolder;
        int frames = 0;
        options.onFrame = [&](const HeadlessFrame&) { ++frames; };
        testing::internal::CaptureStderr();
        int result = RunHeadlessShow(options);
        std::string messages = testing::internal::GetCapturedStderr();
        EXPECT_EQ(result, HEADLESS_STARTUP_FAILED);
        EXPECT_EQ(frames, 0);
        EXPECT_NE(messages.find(c.message), std::string::npos) << messages;
    }
    std::filesystem::remove_all(empty);
}

}  // namespace
