// Taps on the page turned into the menu's own keys: where the labels are, and the presses
// that reach and open one, run through the menu's real latch.
#include "web/page_input.h"

#include "platform/key_codes.h"
#include "show/menu.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr float LABEL_X = 0.72f;

float LabelY(int32_t position) { return (POINTER_PLACE.yStart + POINTER_PLACE.yEnd) / 2.0f + POINTER_Y[position]; }

// The menu as the page sees it: each frame takes the tap's key change, then the latch runs.
struct MenuUnderTaps {
    MenuState menu = StartMenu(0);
    int32_t keys[KEY_TABLE_SIZE] = {};
    uint32_t now = 0;

    ShowStatus Status() const { return {ShowPhase::MENU, -1, -1, menu.entry, menu.page, menu.position}; }

    // Frames until the plan has nothing more to press (at most `limit`); the keys pressed, in order.
    std::string Run(TapPlan& plan, int limit = 40) {
        std::string pressed;
        for (int frame = 0; frame < limit; ++frame) {
            KeyChange change = NextTapKey(plan, Status());
            if (change.virtualKey == 0) return pressed;
            keys[change.virtualKey] = change.down ? 1 : 0;
            if (change.down) pressed += change.virtualKey == VK_SPACE ? 'S' : change.virtualKey == VK_DOWN ? 'D' : 'U';
            UpdateMenu(menu, ReadMenuKeys(keys), now += 16);
        }
        return pressed + "...";
    }
};

TEST(PageInput, LabelsAreFoundAtThePointersHeightsOnTheRail) {
    for (int32_t p = 0; p < MENU_POSITIONS; ++p) {
        EXPECT_EQ(LabelAt(LABEL_X, LabelY(p)), p);
        EXPECT_EQ(LabelAt(0.95f, LabelY(p) + 0.1f), p) << "a little above the middle, at the rail's right";
    }
    // Between two labels the nearer one; beside the rail, above and below, none.
    EXPECT_EQ(LabelAt(LABEL_X, LabelY(3) * 0.6f + LabelY(4) * 0.4f), 3);
    EXPECT_EQ(LabelAt(-0.5f, LabelY(1)), -1);
    EXPECT_EQ(LabelAt(0.4f, LabelY(1)), -1);
    EXPECT_EQ(LabelAt(LABEL_X, 0.95f), -1);
    EXPECT_EQ(LabelAt(LABEL_X, -1.2f), -1);
}

TEST(PageInput, ATapMovesThePointerTheShortWayAndOpensTheLabel) {
    struct Case {
        int32_t target;
        const char* pressed;   // D down, U up, S select
        int32_t entry;         // the entry open after it
    };
    // The menu starts at position 3 with the first entry open.
    const Case cases[] = {
        {1, "UUS", 1},   // Compos
        {4, "DS", 2},    // Travel
        {5, "DDS", 3},   // FAQ
        {0, "DDDS", 0},  // Party: three down, round the end, as short as three up
    };
    for (const Case& c : cases) {
        MenuUnderTaps page;
        TapPlan plan;
        AimTap(plan, c.target);
        EXPECT_EQ(page.Run(plan), c.pressed) << "to " << c.target;
        EXPECT_EQ(page.menu.position, c.target);
        EXPECT_EQ(page.menu.entry, c.entry);
        for (int32_t key : {VK_SPACE, VK_UP, VK_DOWN}) EXPECT_EQ(page.keys[key], 0) << "a key left held";
    }
}

TEST(PageInput, TheNextPageLabelTurnsThePageAndOutsideTheMenuATapIsDropped) {
    MenuUnderTaps page;
    TapPlan plan;
    AimTap(plan, NEXT_PAGE_POSITION);
    EXPECT_EQ(page.Run(plan), "S");
    EXPECT_EQ(page.menu.page, 1);

    AimTap(plan, 0);
    EXPECT_EQ(NextTapKey(plan, {ShowPhase::OUTRO, -1, -1, -1, -1, -1}).virtualKey, 0);
    EXPECT_EQ(plan.target, -1);
    AimTap(plan, MENU_POSITIONS);   // no such position: nothing to do
    EXPECT_EQ(page.Run(plan), "");
}

}  // namespace
