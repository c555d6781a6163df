// The invitation menu: pointer, entries, pages, page buttons and cross-fades.
// The updates are pure (no GL, no platform); the draws only issue panel draws.
#pragma once

#include <array>
#include <cstdint>

constexpr std::array<int32_t, 4> ENTRY_LAST_PAGE = {2, 2, 2, 7};
// Index of each entry's first page among the text-page panels 2 to 18.
constexpr std::array<int32_t, 4> ENTRY_FIRST_TEXT_PAGE = {11, 8, 14, 0};
constexpr int32_t FIRST_TEXT_PAGE_PANEL = 2;
// Position 0 is the top one; offsets grow more negative downwards.
constexpr std::array<float, 6> POINTER_Y = {-0.05f, -0.3f, -0.65f, -0.95f, -1.25f, -1.55f};
constexpr int32_t MENU_POSITIONS = 6;

constexpr int32_t MENU_START_POSITION = 3;
constexpr float POINTER_START_Y = 0.3f;
constexpr float POINTER_X_OFFSET = 0.35f;
constexpr double MENU_RATE = 0.002;   // per millisecond
constexpr float BUTTON_SHOW_MS = 200.0f;

constexpr int32_t BACKDROP_LEFT_PANEL = 0;
constexpr int32_t BACKDROP_RIGHT_PANEL = 1;
constexpr int32_t BUTTON_PANEL = 20;        // + pressedButton
constexpr int32_t ENTRY_PICTURE_PANEL = 30; // + entry
constexpr int32_t POINTER_PANEL = 35;

// Positions and their roles.
constexpr int32_t PREVIOUS_PAGE_POSITION = 2;
constexpr int32_t NEXT_PAGE_POSITION = 3;
// The entry each position opens; -1 for the page positions.
constexpr std::array<int32_t, 6> POSITION_ENTRY = {0, 1, -1, -1, 2, 3};

// pressedButton values.
constexpr int32_t NO_BUTTON = 0;
constexpr int32_t PREVIOUS_BUTTON = 1;
constexpr int32_t NEXT_BUTTON = 2;

// keyLatch values: 0 idle, 1..3 a key of that kind held, -1..-3 released this frame.
constexpr int32_t LATCH_IDLE = 0;
constexpr int32_t LATCH_SELECT = 1;
constexpr int32_t LATCH_DOWN = 2;
constexpr int32_t LATCH_UP = 3;

struct MenuState {
    int32_t position;
    int32_t entry;
    int32_t page;
    int32_t keyLatch;
    int32_t pressedButton;
    float buttonTimeLeft;
    int32_t oldPagePanel;
    float newPageBrightness;
    float oldPageBrightness;
    float pointerY;
    uint32_t previousTime;
};

// The keys the latch looks at, as read from KeyTable in one frame.
struct MenuKeys {
    bool select;   // Space or Enter
    bool down;
    bool up;
};

MenuKeys ReadMenuKeys(const int32_t* keyTable);

MenuState StartMenu(uint32_t now);

int32_t PagePanel(const MenuState& state);

// The clock reading of this frame: returns dt, a signed difference of unsigned
// ticks, so that the counter's wrap-around does not matter.
int32_t TakeFrameTime(MenuState& state, uint32_t now);

// Key latch and its one action per release.
void UpdateMenuKeys(MenuState& state, MenuKeys keys);
// What activating the position under the pointer does.
void ActivatePosition(MenuState& state);
void UpdateCrossFade(MenuState& state, int32_t dt);
// After the panels are drawn: the lit button's time, then the pointer glide.
void UpdateButtonTime(MenuState& state, int32_t dt);
void UpdatePointer(MenuState& state, int32_t dt);

// Everything of one frame before its panels are drawn: clock, keys, cross-fade.
// Returns dt for the updates that follow the panels.
int32_t UpdateMenuBeforePanels(MenuState& state, MenuKeys keys, uint32_t now);
// Everything between the panels and the pointer.
void UpdateMenuAfterPanels(MenuState& state, int32_t dt);
// A whole frame's state change, for callers that draw nothing.
void UpdateMenu(MenuState& state, MenuKeys keys, uint32_t now);

// The backdrop, the two pages, the buttons and the entry picture, in layer order.
void DrawMenuPanels(const MenuState& state);
void DrawMenuPointer(const MenuState& state);
