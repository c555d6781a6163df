// The show stepped one frame per call: phase changes, what each phase reads, and the
// order of a frame's calls, without GL or a platform.
#include "show/intro.h"
#include "show/menu.h"
#include "show/outro.h"
#include "show/show.h"

#include "platform/key_codes.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

// A key table and the input of one frame built from it.
struct Keys {
    std::array<int32_t, KEY_TABLE_SIZE> table{};
    Keys& Set(int32_t key, bool down) {
        table[key] = down ? 1 : 0;
        return *this;
    }
};

FrameInput Input(const Keys& keys, uint32_t now, MusicPosition music = {0, 0, 0}) {
    return {keys.table.data(), now, music};
}

constexpr MusicPosition INTRO_END = {INTRO_END_ORDER, 0, 0};

// A show past its intro, at `now` (its first menu frame still to come).
ShowState ShowAfterIntro(uint32_t now, const Keys& keys = {}) {
    ShowState show = StartShow();
    StepShow(show, Input(keys, now, INTRO_END));
    return show;
}

TEST(ShowStep, IntroFollowsTheMusicAndEndsOnTheFrameThatReadsTheEndOrder) {
    Keys none;
    ShowState show = StartShow();
    ASSERT_TRUE(ShowTakesInput(show));
    const struct {
        MusicPosition music;
        int32_t panels;
        ShowPhase next;
    } frames[] = {
        {{0, 0, 0}, 0, ShowPhase::INTRO},
        {{0, 10, 0}, 2, ShowPhase::INTRO},
        {{0, 5, 0}, 1, ShowPhase::INTRO},   // each frame its own row
        {INTRO_END, 5, ShowPhase::MENU},
    };
    for (const auto& f : frames) {
        Frame frame = StepShow(show, Input(none, 123, f.music));
        EXPECT_EQ(frame.status.phase, ShowPhase::INTRO);
        EXPECT_EQ(frame.status.order, f.music.order);
        EXPECT_EQ(frame.status.row, f.music.row);
        EXPECT_EQ(frame.calls.count, 1 + f.panels) << "the clear, then the logo's pieces";
        EXPECT_EQ(frame.calls.calls[0].kind, DrawCall::CLEAR);
        EXPECT_EQ(frame.musicLevel, 1.0f);
        EXPECT_EQ(show.phase, f.next);
    }
}

TEST(ShowStep, EscapeHeldAsTheIntroEndsSkipsTheMenu) {
    ShowState show = ShowAfterIntro(0, Keys().Set(VK_ESCAPE, true));
    EXPECT_EQ(show.phase, ShowPhase::OUTRO);
    EXPECT_FALSE(ShowTakesInput(show));
}

TEST(ShowStep, MenuTakesItsKeysAndEndsAfterTheFrameThatSeesEscape) {
    ShowState show = ShowAfterIntro(1000);
    // Keys as each frame's pump left them: Down released at frame 5, Space at 8.
    const struct {
        int32_t key;
        bool down;
    } changes[12] = {{0, false}, {0, false}, {VK_DOWN, true}, {0, false},      {0, false},  {VK_DOWN, false},
                     {0, false}, {VK_SPACE, true}, {VK_SPACE, false}, {0, false}, {VK_ESCAPE, true}, {0, false}};
    Keys keys;
    std::vector<ShowStatus> seen;
    for (int k = 0; k < 12 && !ShowOver(show) && show.phase == ShowPhase::MENU; ++k) {
        if (changes[k].key) keys.Set(changes[k].key, changes[k].down);
        seen.push_back(StepShow(show, Input(keys, 1000 + 16 * k)).status);
    }
    ASSERT_EQ(seen.size(), 11u) << "the frame that first sees Escape is shown, then the menu ends";
    EXPECT_EQ(show.phase, ShowPhase::OUTRO);
    for (size_t k = 0; k < seen.size(); ++k) {
        EXPECT_EQ(seen[k].phase, ShowPhase::MENU);
        EXPECT_EQ(seen[k].position, k < 5 ? MENU_START_POSITION : MENU_START_POSITION + 1) << "frame " << k;
        EXPECT_EQ(seen[k].entry, k < 8 ? 0 : PositionEntry(MENU_START_POSITION + 1)) << "frame " << k;
        EXPECT_EQ(seen[k].page, 0) << "frame " << k;
    }
}

// The phases' first frames take their start time: the menu's first frame time is
// 0 however late it comes, and the outro's first frame is at 0 ms.
TEST(ShowStep, EachPhaseStartsAtItsFirstFrame) {
    ShowState show = ShowAfterIntro(0);
    Keys keys;
    Frame first = StepShow(show, Input(keys, 5000));
    EXPECT_EQ(show.menu.pointerY, POINTER_START_Y) << "no glide in a frame of time 0";
    EXPECT_EQ(first.calls.calls[first.calls.count - 1], SpriteCall(POINTER_PANEL, POINTER_X_OFFSET, POINTER_START_Y));

    keys.Set(VK_ESCAPE, true);
    StepShow(show, Input(keys, 5016));
    ASSERT_EQ(show.phase, ShowPhase::OUTRO);
    Frame outro = StepShow(show, Input(keys, 90000));
    OutroCredits start = OutroCreditsAt(0);
    EXPECT_EQ(outro.calls.calls[1], ShiftedPanelCall(CREDIT_WIDE_PANEL, start.offset, 0.0f, start.brightness, true));
    EXPECT_EQ(outro.status.phase, ShowPhase::OUTRO);
}

// The panels show the state before this frame's button timer and pointer glide,
// the pointer the state after them.
TEST(ShowStep, MenuPanelsBeforeTheGlideAndThePointerAfterIt) {
    ShowState show = ShowAfterIntro(0);
    Keys keys;
    StepShow(show, Input(keys, 0));
    // Next: the Next button lights for 200 ms.
    StepShow(show, Input(keys.Set(VK_RETURN, true), 10));
    StepShow(show, Input(keys.Set(VK_RETURN, false), 20));
    ASSERT_EQ(show.menu.pressedButton, NEXT_BUTTON);
    MenuState before = show.menu;
    Frame frame = StepShow(show, Input(keys, 500));   // the 200 ms run out in this frame
    EXPECT_EQ(show.menu.pressedButton, NO_BUTTON);
    EXPECT_EQ(frame.calls.calls[5], PanelCall(BUTTON_PANEL + NEXT_BUTTON, 1.0f, true)) << "still lit in this frame";
    EXPECT_NE(show.menu.pointerY, before.pointerY);
    EXPECT_EQ(frame.calls.calls[7], SpriteCall(POINTER_PANEL, POINTER_X_OFFSET, show.menu.pointerY));
    EXPECT_EQ(frame.calls.count, 8);
}

TEST(ShowStep, OutroReadsNoInputRunsEightSecondsAndFadesTheMusic) {
    // The tick counter wraps during the outro.
    const uint32_t start = 4294967000u;
    ShowState show = ShowAfterIntro(start, Keys().Set(VK_ESCAPE, true));
    Keys keys;
    keys.Set(VK_SPACE, true);
    int frames = 0;
    float lastLevel = 1.0f;
    Frame last{};
    for (uint32_t t = 0; !ShowOver(show) && frames < 1000; t += 100, ++frames) {
        EXPECT_FALSE(ShowTakesInput(show));
        last = StepShow(show, Input(keys, start + t, {7, 7, 0}));
        EXPECT_EQ(last.status.phase, ShowPhase::OUTRO);
        EXPECT_LE(last.musicLevel, lastLevel) << "t " << t;
        lastLevel = last.musicLevel;
    }
    EXPECT_EQ(frames, 81) << "t = 0, 100, ..., 8000";
    EXPECT_EQ(last.musicLevel, 0.0f);
    EXPECT_EQ(last.calls.calls[last.calls.count - 1], FadeCall(0.0f)) << "the last frame is black";
    EXPECT_TRUE(ShowOver(show));
    EXPECT_FALSE(ShowTakesInput(show));
}

}  // namespace
