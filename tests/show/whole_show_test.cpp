// The whole show on the headless platform with the real data folder: intro, menu and
// outro in lockstep with the offline music, keys given as a viewer would give them.
#include "tools/capture/headless_run.h"

#include "music/music.h"
#include "music/offline.h"
#include "platform/headless.h"
#include "panel/placement.h"
#include "platform/platform.h"
#include "show/intro.h"
#include "show/menu.h"
#include "show/show.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Skips unless the data folder is in the working directory.
#define REQUIRE_DATA()                                                                              \
    do {                                                                                            \
        if (!std::filesystem::exists("data/phatfunk.mod"))                                          \
            GTEST_SKIP() << "no data/phatfunk.mod in " << std::filesystem::current_path()          \
                         << " (build the data target)";                                            \
    } while (0)

struct PixelRect {
    int x0, y0, x1, y1;   // half-open, top row 0
};

// A rectangle in screen coordinates (x, y from -1 to 1, y up) as pixels.
PixelRect ToPixels(const PanelPlacement& placement) {
    const ScreenCorners c = PlacementOnScreen(placement);
    return {static_cast<int>(std::lround(std::min(c.left, c.right))),
            static_cast<int>(std::lround(std::min(c.top, c.bottom))),
            static_cast<int>(std::lround(std::max(c.left, c.right))),
            static_cast<int>(std::lround(std::max(c.top, c.bottom)))};
}
PixelRect ToPixels(float x0, float y0, float x1, float y1) { return ToPixels({x0, y0, x1, y1, 0, 0, 1, 1}); }

bool Inside(const PixelRect& r, int x, int y, int margin) {
    return x >= r.x0 - margin && x < r.x1 + margin && y >= r.y0 - margin && y < r.y1 + margin;
}

const uint8_t* Pixel(const HeadlessFrame& frame, int x, int y) {
    return frame.rgb + (static_cast<size_t>(y) * SCREEN_WIDTH + x) * 3;
}

// Pixels lit outside `covered` (true where something may be drawn).
int LitOutside(const HeadlessFrame& frame, const std::vector<uint8_t>& covered) {
    int lit = 0;
    for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i) {
        const uint8_t* p = frame.rgb + static_cast<size_t>(i) * 3;
        if (!covered[i] && (p[0] | p[1] | p[2])) ++lit;
    }
    return lit;
}

// Where any of `rects` may have drawn, with a two-pixel margin.
std::vector<uint8_t> Coverage(const std::vector<PixelRect>& rects) {
    std::vector<uint8_t> covered(SCREEN_WIDTH * SCREEN_HEIGHT, 0);
    for (int y = 0; y < SCREEN_HEIGHT; ++y)
        for (int x = 0; x < SCREEN_WIDTH; ++x)
            for (const PixelRect& r : rects)
                if (Inside(r, x, y, 2)) covered[y * SCREEN_WIDTH + x] = 1;
    return covered;
}

// Where a logo piece lies.
PixelRect LogoRect(int32_t panel) { return ToPixels(*FindPanelPlacement(panel)); }

// The page area, left of the pointer's column.
const PixelRect PAGE_AREA = ToPixels(-0.1f, -0.95f, 0.75f, 0.75f);
// The column the pages' text occupies on screen.
constexpr PixelRect TEXT_COLUMN = {272, 48, 498, 474};

std::vector<uint8_t> Crop(const HeadlessFrame& frame, const PixelRect& r) {
    std::vector<uint8_t> out;
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x) out.insert(out.end(), Pixel(frame, x, y), Pixel(frame, x, y) + 3);
    return out;
}

int PhaseRank(ShowPhase phase) {
    switch (phase) {
    case ShowPhase::INTRO: return 1;
    case ShowPhase::MENU: return 2;
    case ShowPhase::OUTRO: return 3;
    default: return 0;
    }
}

// Keys given relative to the first menu frame, applied from the frame callback.
struct MenuKeyStep {
    int frame;   // frames after the first menu frame
    int32_t key;
    bool down;
};

TEST(WholeShow, ATourThroughIntroMenuAndOutro) {
    REQUIRE_DATA();
    constexpr int FPS = 30;
    // At 30 fps a frame is 33 ms: a press spans three frames, a fade settles in twenty.
    const std::vector<MenuKeyStep> steps = {
        {30, VK_DOWN, true},     {33, VK_DOWN, false},     // position 4
        {36, VK_SPACE, true},    {39, VK_SPACE, false},    // open entry 2
        {70, VK_UP, true},       {73, VK_UP, false},       // position 3
        {76, VK_UP, true},       {79, VK_UP, false},       // position 2
        {82, VK_RETURN, true},   {85, VK_RETURN, false},   // previous page: entry 2, page 2
        {120, VK_RETURN, true},  {123, VK_RETURN, false},  // page 1
        {160, VK_ESCAPE, true},
    };
    // Settled views of the page area, taken just before the next key of the script.
    std::map<int, std::vector<uint8_t>> pages;   // by menu frame
    std::vector<HeadlessFrame> statuses;
    int64_t firstMenuFrame = -1, firstOutroFrame = -1;
    double firstOutroMs = 0, lastMs = 0;
    int introFramesChecked = 0;
    bool escapeDown = false, escapeUp = false;
    // What the intro may light with the first n logo pieces drawn.
    std::vector<std::vector<uint8_t>> introCoverage;
    for (size_t n = 0; n <= INTRO_LOGO_STEPS.size(); ++n) {
        std::vector<PixelRect> rects;
        for (size_t i = 0; i < n; ++i) rects.push_back(LogoRect(INTRO_LOGO_STEPS[i].panel));
        introCoverage.push_back(Coverage(rects));
    }
    std::vector<uint8_t> lastFrame;

    HeadlessRunOptions options;
    options.fps = FPS;
    options.limitMilliseconds = 120000;
    options.onFrame = [&](const HeadlessFrame& frame) {
        if (!statuses.empty()) {
            ASSERT_GE(PhaseRank(frame.status.phase), PhaseRank(statuses.back().status.phase))
                << "phases went back at frame " << frame.index;
        }
        statuses.push_back(frame);
        lastMs = frame.milliseconds;
        const ShowStatus& s = frame.status;
        if (s.phase == ShowPhase::INTRO) {
            // Only the pieces whose rows have come are drawn; the last frame, in the
            // second order, still shows them all.
            size_t pieces = 0;
            while (pieces < INTRO_LOGO_STEPS.size() && (s.order >= 1 || s.row >= INTRO_LOGO_STEPS[pieces].row))
                ++pieces;
            ASSERT_EQ(LitOutside(frame, introCoverage[pieces]), 0)
                << "intro frame " << frame.index << " at row " << s.row;
            ++introFramesChecked;
            // Escape pressed and released during the intro changes nothing.
            if (s.order == 0 && s.row >= 6 && !escapeDown && !escapeUp) {
                ScriptKey(VK_ESCAPE, true);
                escapeDown = true;
            } else if (escapeDown && !escapeUp && s.row >= 8) {
                ScriptKey(VK_ESCAPE, false);
                escapeUp = true;
            }
        } else if (s.phase == ShowPhase::MENU) {
            if (firstMenuFrame < 0) firstMenuFrame = frame.index;
            int m = static_cast<int>(frame.index - firstMenuFrame);
            if (m == 0 || m == 29 || m == 69 || m == 119 || m == 159) pages[m] = Crop(frame, PAGE_AREA);
            for (const MenuKeyStep& step : steps)
                if (step.frame == m) ScriptKey(step.key, step.down);
        } else if (s.phase == ShowPhase::OUTRO) {
            if (firstOutroFrame < 0) {
                firstOutroFrame = frame.index;
                firstOutroMs = frame.milliseconds;
            }
            lastFrame.assign(frame.rgb, frame.rgb + SCREEN_WIDTH * SCREEN_HEIGHT * 3);
        }
    };
    ASSERT_EQ(RunHeadlessShow(options), HEADLESS_SHOW_ENDED);

    EXPECT_GT(introFramesChecked, 10);
    EXPECT_TRUE(escapeUp) << "the intro never reached row 8";
    ASSERT_GE(firstMenuFrame, 0) << "the menu never began";
    ASSERT_GE(firstOutroFrame, 0) << "the outro never began";
    EXPECT_EQ(statuses[firstMenuFrame - 1].status.phase, ShowPhase::INTRO);
    EXPECT_GE(statuses[firstMenuFrame - 1].status.order, 1) << "the intro ended before order 1";
    EXPECT_EQ(statuses[firstMenuFrame - 2].status.order, 0) << "the intro went on after order 1";

    // What the menu's status says the keys did.
    auto menuStatus = [&](int m) { return statuses[firstMenuFrame + m].status; };
    struct Expected {
        int frame, position, entry, page;
    } expected[] = {{0, 3, 0, 0},  {33, 3, 0, 0},  {34, 4, 0, 0},  {39, 4, 0, 0},  {40, 4, 2, 0},
                    {73, 4, 2, 0}, {74, 3, 2, 0},  {80, 2, 2, 0},  {85, 2, 2, 0},  {86, 2, 2, 2},
                    {123, 2, 2, 2}, {124, 2, 2, 1}, {161, 2, 2, 1}};
    for (const Expected& e : expected) {
        ShowStatus s = menuStatus(e.frame);
        EXPECT_EQ(s.position, e.position) << "menu frame " << e.frame;
        EXPECT_EQ(s.entry, e.entry) << "menu frame " << e.frame;
        EXPECT_EQ(s.page, e.page) << "menu frame " << e.frame;
    }
    // Escape queued at menu frame 160 is seen at 161, which is presented and ends the menu.
    EXPECT_EQ(firstOutroFrame, firstMenuFrame + 162);

    // The first page is at full brightness from the first frame; every change shows a new page.
    EXPECT_EQ(pages[0], pages[29]) << "the first page faded in";
    EXPECT_NE(pages[29], pages[69]) << "entry 2 did not replace entry 0's page";
    EXPECT_NE(pages[69], pages[119]) << "previous page did not change the page";
    EXPECT_NE(pages[119], pages[159]) << "the second page turn did not change the page";
    EXPECT_NE(pages[29], pages[159]);

    // Eight seconds of outro, ending on a black frame.
    // (The outro reads whole milliseconds of the frames' instants.)
    EXPECT_GT(lastMs - firstOutroMs, 7999.0);
    EXPECT_LT(lastMs - firstOutroMs, 8000.0 + 1000.0 / FPS + 1.0);
    EXPECT_EQ(std::count(lastFrame.begin(), lastFrame.end(), 0), static_cast<long>(lastFrame.size()))
        << "the last frame is not black";
}

TEST(WholeShow, EveryPageShowsBrightTextOnADarkTextColumn) {
    REQUIRE_DATA();
    // At 20 fps a press spans three frames and a page's fade settles in ten.
    std::vector<MenuKeyStep> steps;
    std::map<int, std::pair<int32_t, int32_t>> shots;   // menu frame -> entry, page
    int m = 5;
    int32_t position = MENU_START_POSITION;
    auto press = [&](int32_t key) {
        steps.push_back({m, key, true});
        steps.push_back({m + 3, key, false});
        m += 6;
    };
    auto moveTo = [&](int32_t target) {
        for (; position != target; position = (position + 1) % MENU_POSITIONS) press(VK_DOWN);
    };
    auto settled = [&](int32_t entry, int32_t page) {
        m += 15;
        shots[m++] = {entry, page};
    };
    for (int32_t e = 0; e < static_cast<int32_t>(MENU_ENTRIES.size()); ++e) {
        moveTo(MENU_ENTRIES[e].position);
        press(VK_SPACE);
        settled(e, 0);
        moveTo(NEXT_PAGE_POSITION);
        for (int32_t page = 1; page <= MENU_ENTRIES[e].lastPage; ++page) {
            press(VK_SPACE);
            settled(e, page);
        }
    }
    steps.push_back({m, VK_ESCAPE, true});

    HeadlessRunOptions options;
    options.fps = 20;
    options.limitMilliseconds = 300000;
    int64_t firstMenuFrame = -1;
    int checked = 0;
    options.onFrame = [&](const HeadlessFrame& frame) {
        if (frame.status.phase != ShowPhase::MENU) return;
        if (firstMenuFrame < 0) firstMenuFrame = frame.index;
        int menuFrame = static_cast<int>(frame.index - firstMenuFrame);
        for (const MenuKeyStep& step : steps)
            if (step.frame == menuFrame) ScriptKey(step.key, step.down);
        auto shot = shots.find(menuFrame);
        if (shot == shots.end()) return;
        auto [entry, page] = shot->second;
        ASSERT_EQ(frame.status.entry, entry) << "menu frame " << menuFrame;
        ASSERT_EQ(frame.status.page, page) << "menu frame " << menuFrame;
        // Mostly the dark box behind the text, and the text itself bright.
        std::vector<uint8_t> brightness;
        for (int y = TEXT_COLUMN.y0; y < TEXT_COLUMN.y1; ++y)
            for (int x = TEXT_COLUMN.x0; x < TEXT_COLUMN.x1; ++x) {
                const uint8_t* p = Pixel(frame, x, y);
                brightness.push_back(std::max({p[0], p[1], p[2]}));
            }
        std::sort(brightness.begin(), brightness.end());
        EXPECT_LE(brightness[brightness.size() / 2], 15) << "entry " << entry << " page " << page;
        EXPECT_GE(brightness.back(), 153) << "entry " << entry << " page " << page;
        ++checked;
    };
    ASSERT_EQ(RunHeadlessShow(options), HEADLESS_SHOW_ENDED);
    EXPECT_EQ(checked, TEXT_PAGE_COUNT);
}

TEST(WholeShow, EscapeHeldWhenTheIntroEndsSkipsTheMenu) {
    REQUIRE_DATA();
    HeadlessRunOptions options;
    options.fps = 20;
    options.readPixels = false;
    options.keys = {{0.0, VK_ESCAPE, true}};
    std::vector<ShowPhase> phases;
    double firstOutroMs = -1, lastMs = 0;
    options.onFrame = [&](const HeadlessFrame& frame) {
        if (phases.empty() || phases.back() != frame.status.phase) phases.push_back(frame.status.phase);
        if (frame.status.phase == ShowPhase::OUTRO && firstOutroMs < 0) firstOutroMs = frame.milliseconds;
        lastMs = frame.milliseconds;
    };
    ASSERT_EQ(RunHeadlessShow(options), HEADLESS_SHOW_ENDED);
    EXPECT_EQ(phases, (std::vector<ShowPhase>{ShowPhase::INTRO, ShowPhase::OUTRO}));
    EXPECT_GE(lastMs - firstOutroMs, 8000.0);
    EXPECT_LT(lastMs - firstOutroMs, 8051.0);
}

double Rms(std::span<const int16_t> samples) {
    double sum = 0;
    for (int16_t v : samples) sum += static_cast<double>(v) * v;
    return samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size())) / 32768.0;
}

double Decibels(double rms) { return 20.0 * std::log10(std::max(rms, 1e-12)); }

// Straight from the intro to the outro: the intro's last frame and the sound of the fade.
TEST(WholeShow, IntroEndsOnTheWholeLogoAndTheMusicFadesOutWithThePicture) {
    REQUIRE_DATA();
    constexpr int FPS = 30;
    HeadlessRunOptions options;
    options.fps = FPS;
    options.keys = {{0.0, VK_ESCAPE, true}};
    std::vector<uint8_t> beforeLast, last, current;
    std::vector<int16_t> sound;
    int64_t outroFirstSample = -1;
    options.onFrame = [&](const HeadlessFrame& frame) {
        if (frame.status.phase == ShowPhase::INTRO) {
            std::swap(beforeLast, current);
            current.assign(frame.rgb, frame.rgb + SCREEN_WIDTH * SCREEN_HEIGHT * 3);
            if (frame.status.order >= 1) last = current;
        }
        if (frame.status.phase == ShowPhase::OUTRO && outroFirstSample < 0)
            outroFirstSample = static_cast<int64_t>(sound.size() / MUSIC_CHANNELS);
        sound.insert(sound.end(), frame.audio.begin(), frame.audio.end());
    };
    ASSERT_EQ(RunHeadlessShow(options), HEADLESS_SHOW_ENDED);

    // The frame that first reads order 1 shows the logo as the one before it did.
    ASSERT_FALSE(last.empty()) << "the intro never read order 1";
    EXPECT_GT(last.size() - static_cast<size_t>(std::count(last.begin(), last.end(), 0)), 10000u)
        << "the intro's last frame is (nearly) black";
    EXPECT_TRUE(last == beforeLast) << "the intro's last frame differs from the one before it";

    // The same music, unfaded, for comparison.
    ASSERT_TRUE(StartMusic("data\\phatfunk.mod"));
    std::vector<int16_t> plain;
    RenderMusicUntil(static_cast<int64_t>(sound.size() / MUSIC_CHANNELS), &plain);
    StopMusic();
    ASSERT_EQ(plain.size(), sound.size());
    ASSERT_GE(outroFirstSample, 0);

    auto at = [&](double outroMs) {
        return static_cast<size_t>(outroFirstSample + static_cast<int64_t>(outroMs * MUSIC_MIX_RATE / 1000.0)) *
               MUSIC_CHANNELS;
    };
    // Before the fade the sound is the music as written, sample for sample.
    EXPECT_TRUE(std::equal(sound.begin(), sound.begin() + static_cast<ptrdiff_t>(at(6000)), plain.begin()))
        << "the sound changed before the fade";
    // Through the fade the level falls with the overlay's, window by window:
    // the sound of a frame moves to the level its picture set, so it is at most
    // one frame behind the overlay, never ahead.
    std::span<const int16_t> heard(sound), written(plain);
    auto overlay = [](double outroMs) { return std::clamp(1.0 - (outroMs - 6000.0) / 2000.0, 0.0, 1.0); };
    double previous = 1.0;
    for (int w = 0; w < 20; ++w) {
        double start = 6000 + 100 * w, end = start + 100;
        size_t from = at(start), to = at(end);
        double ratio = Rms(heard.subspan(from, to - from)) / Rms(written.subspan(from, to - from));
        double lowest = overlay(end), highest = overlay(start - 1000.0 / FPS);
        EXPECT_LE(ratio, previous) << "the level rose in the window from " << start << " ms";
        EXPECT_GE(ratio, lowest * lowest - 0.01) << "window from " << start << " ms";
        EXPECT_LE(ratio, highest * highest + 0.01) << "window from " << start << " ms";
        previous = ratio;
    }
    // The last 100 ms are silent.
    std::span<const int16_t> tail = heard.last(static_cast<size_t>(MUSIC_MIX_RATE / 10) * MUSIC_CHANNELS);
    EXPECT_LT(Decibels(Rms(tail)), -60.0);
}

TEST(WholeShow, CloseRequestDuringTheOutroWaitsUntilItEnds) {
    REQUIRE_DATA();
    HeadlessRunOptions options;
    options.fps = 20;
    options.readPixels = false;
    options.keys = {{0.0, VK_ESCAPE, true}};
    int outroFrames = 0;
    options.onFrame = [&](const HeadlessFrame& frame) {
        if (frame.status.phase != ShowPhase::OUTRO) return;
        if (outroFrames++ == 0) {
            ScriptCloseRequest();
            ScriptKey(VK_SPACE, true);
        }
        EXPECT_EQ(KeyTable[VK_SPACE], 0) << "the outro handled a key";
    };
    ASSERT_EQ(RunHeadlessShow(options), HEADLESS_SHOW_ENDED);
    EXPECT_EQ(outroFrames, 161) << "t = 0, 50, ..., 8000";
}

// The close request is the loop owner's to act on: the run returns at once with
// no menu frame after it, and the next show in the process starts afresh.
TEST(WholeShow, CloseRequestDuringTheMenuEndsTheRunAtOnce) {
    REQUIRE_DATA();
    HeadlessRunOptions options;
    options.fps = 30;
    options.readPixels = false;
    int menuFrames = 0;
    options.onFrame = [&](const HeadlessFrame& frame) {
        if (frame.status.phase != ShowPhase::MENU) return;
        if (++menuFrames == 5) ScriptCloseRequest();
    };
    EXPECT_EQ(RunHeadlessShow(options), HEADLESS_CLOSE_REQUESTED);
    EXPECT_EQ(menuFrames, 5) << "a menu frame after the close request";

    int64_t frames = 0;
    options.keys = {{0.0, VK_ESCAPE, true}};
    options.onFrame = [&](const HeadlessFrame& frame) {
        if (frames++ == 0) {
            EXPECT_EQ(frame.status.phase, ShowPhase::INTRO);
        }
    };
    EXPECT_EQ(RunHeadlessShow(options), HEADLESS_SHOW_ENDED) << "a second show after the close";
    EXPECT_GT(frames, 0);
}

}  // namespace
