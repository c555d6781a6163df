// The menu's state machines, driven frame by frame through the pure updates.
#include "show/menu.h"

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr uint32_t START = 5000;

// A frame's key table with the given virtual keys held.
MenuKeys Held(const std::vector<int32_t>& keys) {
    int32_t table[KEY_TABLE_SIZE] = {};
    for (int32_t key : keys) table[key] = 1;
    return ReadMenuKeys(table);
}

// A menu that has run one quiet frame: the first page settled, nothing held.
MenuState SettledMenu() {
    MenuState state = StartMenu(START);
    UpdateMenu(state, {}, START + 16);
    return state;
}

// --- key latch -----------------------------------------------------------------------------

struct LatchFrame {
    std::vector<int32_t> held;
    int32_t position;   // after the frame
    int32_t page;       // after the frame; the pointer starts at "next page", so a page is an activation
    int32_t entry = 0;
};

struct LatchCase {
    const char* name;
    std::vector<LatchFrame> frames;
};

const std::vector<LatchCase> LATCH_CASES = {
    {"down held for many frames moves once, at the release",
     {{{VK_DOWN}, 3, 0}, {{VK_DOWN}, 3, 0}, {{VK_DOWN}, 3, 0}, {{}, 4, 0}, {{}, 4, 0}}},
    {"up moves up at the release", {{{VK_UP}, 3, 0}, {{}, 2, 0}}},
    {"space activates at its release, not while held", {{{VK_SPACE}, 3, 0}, {{VK_SPACE}, 3, 0}, {{}, 3, 1}}},
    {"enter activates like space", {{{VK_RETURN}, 3, 0}, {{}, 3, 1}}},
    {"space held while down is pressed and released: down is ignored",
     {{{VK_SPACE}, 3, 0}, {{VK_SPACE, VK_DOWN}, 3, 0}, {{VK_SPACE}, 3, 0}, {{}, 3, 1}}},
    {"down held, space pressed, down released: the move, then space latched next frame",
     // Released space activates position 4, which opens entry 2.
     {{{VK_DOWN}, 3, 0}, {{VK_DOWN, VK_SPACE}, 3, 0}, {{VK_SPACE}, 4, 0}, {{VK_SPACE}, 4, 0}, {{}, 4, 0, 2}}},
    {"space pressed while down held and released with it: never latched",
     {{{VK_DOWN}, 3, 0}, {{VK_DOWN, VK_SPACE}, 3, 0}, {{}, 4, 0}, {{}, 4, 0}}},
    {"space and enter released one after the other: one activation at the second",
     {{{VK_SPACE, VK_RETURN}, 3, 0}, {{VK_RETURN}, 3, 0}, {{}, 3, 1}, {{}, 3, 1}}},
    {"space and enter alternately held: one press for as long as either is down",
     {{{VK_SPACE}, 3, 0}, {{VK_SPACE, VK_RETURN}, 3, 0}, {{VK_RETURN}, 3, 0}, {{}, 3, 1}}},
    {"select and down pressed in the same frame: select wins", {{{VK_SPACE, VK_DOWN}, 3, 0}, {{VK_DOWN}, 3, 1}, {{}, 3, 1}}},
    {"down and up pressed in the same frame: down wins, up ignored until down is up",
     {{{VK_DOWN, VK_UP}, 3, 0}, {{VK_UP}, 4, 0}, {{VK_UP}, 4, 0}, {{}, 3, 0}}},
    {"up still held in the frame after down's release is a new press",
     {{{VK_DOWN}, 3, 0}, {{VK_DOWN, VK_UP}, 3, 0}, {{VK_UP}, 4, 0}, {{VK_UP}, 4, 0}, {{}, 3, 0}}},
    {"up released in the frame of down's release is no press",
     {{{VK_DOWN}, 3, 0}, {{VK_DOWN, VK_UP}, 3, 0}, {{VK_UP}, 4, 0}, {{}, 4, 0}, {{}, 4, 0}}},
};

TEST(MenuKeyLatch, ActsOnceAtTheRelease) {
    for (const LatchCase& c : LATCH_CASES) {
        MenuState state = SettledMenu();
        uint32_t now = state.previousTime;
        int frame = 0;
        for (const LatchFrame& f : c.frames) {
            UpdateMenu(state, Held(f.held), now += 16);
            ++frame;
            EXPECT_EQ(state.position, f.position) << c.name << ", frame " << frame;
            EXPECT_EQ(state.page, f.page) << c.name << ", frame " << frame;
            EXPECT_EQ(state.entry, f.entry) << c.name << ", frame " << frame;
            EXPECT_GE(state.keyLatch, 0) << c.name << ": a released state outlasted its frame";
        }
    }
}

TEST(MenuKeyLatch, PositionWrapsBothWays) {
    const int32_t afterDown[MENU_POSITIONS] = {1, 2, 3, 4, 5, 0};
    const int32_t afterUp[MENU_POSITIONS] = {5, 0, 1, 2, 3, 4};
    for (int32_t from = 0; from < MENU_POSITIONS; ++from) {
        for (int32_t key : {VK_DOWN, VK_UP}) {
            MenuState state = SettledMenu();
            state.position = from;
            UpdateMenuKeys(state, Held({key}));
            UpdateMenuKeys(state, Held({}));
            EXPECT_EQ(state.position, key == VK_DOWN ? afterDown[from] : afterUp[from]) << "from " << from;
        }
    }
}

// --- activation ------------------------------------------------------------------------------

struct ActivationCase {
    int32_t entry, page, position;
    int32_t nextEntry, nextPage, button;
};

TEST(MenuActivation, OpensEntriesAndTurnsPagesWithWrapAround) {
    const ActivationCase cases[] = {
        {0, 0, 2, 0, 2, PREVIOUS_BUTTON},   // previous from the first page: the last of three
        {3, 0, 2, 3, 7, PREVIOUS_BUTTON},   // ... the last of eight
        {3, 5, 2, 3, 4, PREVIOUS_BUTTON},
        {0, 2, 3, 0, 0, NEXT_BUTTON},       // next from the last page: the first
        {3, 7, 3, 3, 0, NEXT_BUTTON},
        {1, 1, 3, 1, 2, NEXT_BUTTON},
        {0, 2, 0, 0, 2, NO_BUTTON},         // reopening the open entry keeps its page
        {3, 6, 5, 3, 6, NO_BUTTON},
        {0, 2, 1, 1, 0, NO_BUTTON},         // another entry: its first page
        {0, 1, 4, 2, 0, NO_BUTTON},
        {2, 2, 5, 3, 0, NO_BUTTON},
        {3, 7, 0, 0, 0, NO_BUTTON},
    };
    for (const ActivationCase& c : cases) {
        MenuState state = SettledMenu();
        state.entry = c.entry;
        state.page = c.page;
        state.position = c.position;
        state.oldPagePanel = 17;
        ActivatePosition(state);
        std::string what = "entry " + std::to_string(c.entry) + " page " + std::to_string(c.page) + " position " +
                           std::to_string(c.position);
        EXPECT_EQ(state.entry, c.nextEntry) << what;
        EXPECT_EQ(state.page, c.nextPage) << what;
        EXPECT_EQ(state.pressedButton, c.button) << what;
        EXPECT_EQ(state.buttonTimeLeft, c.button == NO_BUTTON ? 0.0f : 200.0f) << what;
        // Every activation restarts the fade; none touches the old page.
        EXPECT_EQ(state.newPageBrightness, 0.0f) << what;
        EXPECT_EQ(state.oldPageBrightness, 1.0f) << what;
        EXPECT_EQ(state.oldPagePanel, 17) << what;
    }
}

TEST(MenuActivation, PagePanelsOfEveryEntry) {
    const int32_t firstPanel[4] = {13, 10, 16, 2};
    for (int32_t entry = 0; entry < 4; ++entry) {
        for (int32_t page = 0; page <= MENU_ENTRIES[entry].lastPage; ++page) {
            MenuState state = StartMenu(0);
            state.entry = entry;
            state.page = page;
            EXPECT_EQ(PagePanel(state), firstPanel[entry] + page);
        }
    }
}

// --- first frame, clock --------------------------------------------------------------------

TEST(MenuStart, FirstPageAtFullBrightnessFromTheFirstFrame) {
    for (uint32_t dt : {0u, 1u, 16u, 1000u}) {
        MenuState state = StartMenu(START);
        int32_t taken = UpdateMenuBeforePanels(state, {}, START + dt);
        EXPECT_EQ(taken, static_cast<int32_t>(dt));
        EXPECT_EQ(PagePanel(state), 13);
        EXPECT_EQ(state.newPageBrightness, 1.0f) << "dt " << dt;
        // The old slot draws nothing: panel 0 at brightness 0, or the page itself settled.
        EXPECT_EQ(state.oldPageBrightness, 0.0f) << "dt " << dt;
        EXPECT_EQ(state.oldPagePanel, dt == 0 ? 0 : 13) << "dt " << dt;
        EXPECT_EQ(state.position, 3);
        EXPECT_EQ(state.entry, 0);
        EXPECT_EQ(state.pressedButton, NO_BUTTON);
    }
}

TEST(MenuStart, PointerGlidesFromItsStartToTheNextPagePositionIn625Ms) {
    MenuState state = StartMenu(START);
    uint32_t now = START;
    float previous = state.pointerY;
    EXPECT_EQ(previous, 0.3f);
    for (int32_t elapsed = 25; elapsed <= 700; elapsed += 25) {
        UpdateMenu(state, {}, now += 25);
        EXPECT_LE(state.pointerY, previous);
        EXPECT_GE(state.pointerY, POINTER_Y[3]) << "passed its target at " << elapsed << " ms";
        if (elapsed <= 600) {
            EXPECT_GT(state.pointerY, POINTER_Y[3]) << "arrived early at " << elapsed << " ms";
        }
        if (elapsed >= 650) {
            EXPECT_EQ(state.pointerY, POINTER_Y[3]) << "not there at " << elapsed << " ms";
        }
        previous = state.pointerY;
    }
}

TEST(MenuClock, FrameTimeIsASignedDifferenceOfWrappingTicks) {
    struct Case {
        uint32_t previous, now;
        int32_t dt;
    } cases[] = {
        {1000, 1016, 16}, {0xFFFFFFF0u, 0x10u, 32}, {0xFFFFFFFFu, 0, 1}, {77, 77, 0}, {1016, 1000, -16},
    };
    for (const Case& c : cases) {
        MenuState state = StartMenu(c.previous);
        EXPECT_EQ(TakeFrameTime(state, c.now), c.dt) << c.previous << " -> " << c.now;
        EXPECT_EQ(state.previousTime, c.now);
    }
}

// --- pointer ---------------------------------------------------------------------------------

TEST(MenuPointer, NeverPassesItsTarget) {
    struct Case {
        float from;
        int32_t position;
    } cases[] = {{0.3f, 3}, {-1.55f, 0}, {-0.05f, 5}, {-1.25f, 1}, {-0.3f, 2}};
    for (const Case& c : cases) {
        float target = POINTER_Y[c.position];
        for (int32_t dt : {0, 1, 7, 16, 100, 249, 250, 251, 624, 625, 626, 5000, 1 << 30}) {
            MenuState state = StartMenu(0);
            state.position = c.position;
            state.pointerY = c.from;
            UpdatePointer(state, dt);
            double moved = c.from < target ? c.from + MENU_RATE * dt : c.from - MENU_RATE * dt;
            float expected = static_cast<float>(moved);
            if (c.from < target ? expected > target : expected < target) expected = target;
            EXPECT_EQ(state.pointerY, expected) << "from " << c.from << " to " << target << ", dt " << dt;
        }
    }
}

TEST(MenuPointer, StopsExactlyOnTargetOverManyFrames) {
    for (int32_t dt : {1, 3, 16, 17, 33}) {
        for (int32_t position = 0; position < MENU_POSITIONS; ++position) {
            MenuState state = StartMenu(0);
            state.position = position;
            for (int i = 0; i < 3000 / dt + 2; ++i) UpdatePointer(state, dt);
            EXPECT_EQ(state.pointerY, POINTER_Y[position]) << "dt " << dt << " position " << position;
        }
    }
}

// --- button ----------------------------------------------------------------------------------

TEST(MenuButton, LitUntilTheSummedFrameTimesReach200Ms) {
    struct Case {
        int32_t dt;
        int framesLit;   // frames after the activation frame that still draw the button
    } cases[] = {{50, 4}, {16, 13}, {200, 1}, {199, 2}, {1000, 1}, {40, 5}, {1, 200}};
    for (const Case& c : cases) {
        MenuState state = SettledMenu();   // at "next page"
        uint32_t now = state.previousTime;
        UpdateMenu(state, Held({VK_SPACE}), now += c.dt);
        // The activation frame draws the lit button, and its button time already runs.
        UpdateMenuBeforePanels(state, {}, now += c.dt);
        ASSERT_EQ(state.pressedButton, NEXT_BUTTON) << "dt " << c.dt;
        int drawnLit = 0;
        for (int frame = 0; frame < 1000 && state.pressedButton != NO_BUTTON; ++frame) {
            if (frame > 0) UpdateMenuBeforePanels(state, {}, now += c.dt);
            if (state.pressedButton != NO_BUTTON) ++drawnLit;   // what DrawMenuPanels shows
            UpdateMenuAfterPanels(state, c.dt);
        }
        EXPECT_EQ(drawnLit, c.framesLit) << "dt " << c.dt;
        EXPECT_EQ(state.buttonTimeLeft, 0.0f);
    }
}

TEST(MenuButton, ASecondPressRelightsForAFull200Ms) {
    MenuState state = SettledMenu();
    state.pressedButton = NEXT_BUTTON;
    state.buttonTimeLeft = 20.0f;
    state.position = PREVIOUS_PAGE_POSITION;
    ActivatePosition(state);
    EXPECT_EQ(state.pressedButton, PREVIOUS_BUTTON);
    EXPECT_EQ(state.buttonTimeLeft, 200.0f);
}

// --- cross-fade ------------------------------------------------------------------------------

// What the two page slots of DrawMenuPanels show.
struct PageSlots {
    int32_t current;
    float currentBrightness;
    int32_t old;
    float oldBrightness;
};

PageSlots Slots(const MenuState& state) {
    return {PagePanel(state), state.newPageBrightness, state.oldPagePanel, state.oldPageBrightness};
}

// Activates `position` with a press and release of Space in two frames of dt.
void Activate(MenuState& state, int32_t position, uint32_t& now, int32_t dt) {
    state.position = position;
    UpdateMenu(state, Held({VK_SPACE}), now += dt);
    UpdateMenu(state, {}, now += dt);
}

TEST(MenuCrossFade, AnotherEntryFadesInOver500Ms) {
    MenuState state = SettledMenu();
    uint32_t now = state.previousTime;
    state.position = 5;
    UpdateMenu(state, Held({VK_SPACE}), now += 10);
    UpdateMenuBeforePanels(state, {}, now += 100);   // activation, then 100 ms of fade
    PageSlots slots = Slots(state);
    EXPECT_EQ(slots.current, 2);
    EXPECT_EQ(slots.old, 13);
    EXPECT_FLOAT_EQ(slots.currentBrightness, 0.2f);
    EXPECT_FLOAT_EQ(slots.oldBrightness, 0.8f);
    for (int i = 0; i < 3; ++i) UpdateMenu(state, {}, now += 100);
    EXPECT_FLOAT_EQ(state.newPageBrightness, 0.8f);
    EXPECT_FLOAT_EQ(state.oldPageBrightness, 0.2f);
    EXPECT_EQ(state.oldPagePanel, 13);
    UpdateMenu(state, {}, now += 101);
    EXPECT_EQ(state.newPageBrightness, 1.0f);
    EXPECT_EQ(state.oldPageBrightness, 0.0f);
    EXPECT_EQ(state.oldPagePanel, 2) << "the fade has not ended";
}

TEST(MenuCrossFade, OneLongFrameCompletesIt) {
    for (int32_t dt : {500, 501, 10000}) {
        MenuState state = SettledMenu();
        state.position = NEXT_PAGE_POSITION;
        ActivatePosition(state);
        UpdateCrossFade(state, dt);
        EXPECT_EQ(state.newPageBrightness, 1.0f) << "dt " << dt;
        EXPECT_EQ(state.oldPageBrightness, 0.0f) << "dt " << dt;
        // At exactly 500 ms the old page is at 0 and draws nothing; it is let go once it falls below.
        EXPECT_EQ(state.oldPagePanel, dt == 500 ? 13 : 14) << "dt " << dt;
    }
}

TEST(MenuCrossFade, ASecondChangeWithin500MsRestartsFromThePageFadingOut) {
    MenuState state = SettledMenu();
    uint32_t now = state.previousTime;
    Activate(state, NEXT_PAGE_POSITION, now, 50);   // 13 -> 14
    UpdateMenu(state, {}, now += 100);
    ASSERT_EQ(state.oldPagePanel, 13);
    ASSERT_GT(state.newPageBrightness, 0.0f);
    Activate(state, NEXT_PAGE_POSITION, now, 50);   // 14 -> 15, 14 never settled
    // The activation frame: 13 back at full, 14 gone, 15 from 0; then 50 ms of fade.
    PageSlots slots = Slots(state);
    EXPECT_EQ(slots.current, 15);
    EXPECT_EQ(slots.old, 13);
    EXPECT_FLOAT_EQ(slots.currentBrightness, 0.1f);
    EXPECT_FLOAT_EQ(slots.oldBrightness, 0.9f);
    for (int i = 0; i < 5; ++i) UpdateMenu(state, {}, now += 100);
    EXPECT_EQ(state.oldPagePanel, 15);
    EXPECT_EQ(state.newPageBrightness, 1.0f);
}

TEST(MenuCrossFade, ChangingBackToThePageFadingOutStopsTheFade) {
    MenuState state = SettledMenu();
    uint32_t now = state.previousTime;
    Activate(state, NEXT_PAGE_POSITION, now, 50);       // 13 -> 14
    Activate(state, PREVIOUS_PAGE_POSITION, now, 50);   // back to 13
    for (int i = 0; i < 3; ++i) {
        PageSlots slots = Slots(state);
        EXPECT_EQ(slots.current, 13);
        EXPECT_EQ(slots.old, 13);
        EXPECT_EQ(slots.oldBrightness, 1.0f) << "frame " << i;
        EXPECT_EQ(slots.currentBrightness, 0.0f) << "frame " << i;
        UpdateMenu(state, {}, now += 100);
    }
}

TEST(MenuCrossFade, ReopeningTheOpenEntryChangesNothingVisible) {
    MenuState state = SettledMenu();
    uint32_t now = state.previousTime;
    Activate(state, NEXT_PAGE_POSITION, now, 300);
    for (int i = 0; i < 5; ++i) UpdateMenu(state, {}, now += 100);
    ASSERT_EQ(state.oldPagePanel, 14);
    Activate(state, 0, now, 16);
    // The page shows through the old slot at full brightness, and stays so.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(state.page, 1);
        EXPECT_EQ(state.oldPagePanel, 14);
        EXPECT_EQ(state.oldPageBrightness, 1.0f);
        UpdateMenu(state, {}, now += 100);
    }
}

TEST(MenuFrame, ZeroFrameTimeMovesNothing) {
    MenuState state = SettledMenu();
    uint32_t now = state.previousTime;
    Activate(state, NEXT_PAGE_POSITION, now, 50);
    state.position = 1;   // the pointer has somewhere to go
    MenuState before = state;
    UpdateMenu(state, {}, now);
    EXPECT_EQ(state.newPageBrightness, before.newPageBrightness);
    EXPECT_EQ(state.oldPageBrightness, before.oldPageBrightness);
    EXPECT_EQ(state.buttonTimeLeft, before.buttonTimeLeft);
    EXPECT_EQ(state.pressedButton, before.pressedButton);
    EXPECT_EQ(state.pointerY, before.pointerY);
    // An activation in a frame of 0 ms still sets the brightnesses.
    state.position = NEXT_PAGE_POSITION;
    UpdateMenu(state, Held({VK_RETURN}), now);
    UpdateMenu(state, {}, now);
    EXPECT_EQ(state.newPageBrightness, 0.0f);
    EXPECT_EQ(state.oldPageBrightness, 1.0f);
    EXPECT_EQ(state.buttonTimeLeft, 200.0f);
}

}  // namespace
