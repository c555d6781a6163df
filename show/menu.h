// The invitation menu: pointer, entries, pages, page buttons and cross-fades.
// The updates are pure (no GL, no platform); the draws only issue panel draws.
#pragma once

#include "panel/draw_call.h"
#include "panel/scene_table.h"

#include <array>
#include <cstdint>

// The entries of the menu, in the order of their numbers. The show, the data
// generator and the tests all read this one table.
struct MenuEntry {
    int32_t position;        // the menu position that opens it
    int32_t firstTextPage;   // its first page among the text pages (panel FIRST_TEXT_PAGE_PANEL + this)
    int32_t lastPage;        // its pages are 0 to lastPage
    int32_t picturePanel;    // shown while the entry is open: the entry's ENTRY_PICTURE
    const char* pageFiles;   // its pages are assets/pages/<pageFiles>-1.txt, -2.txt, ...
};

constexpr std::array<MenuEntry, 4> MENU_ENTRIES = {{
    {0, 11, 2, SceneNumber(SceneRole::ENTRY_PICTURE, 0), "party"},
    {1, 8, 2, SceneNumber(SceneRole::ENTRY_PICTURE, 1), "compos"},
    {4, 14, 2, SceneNumber(SceneRole::ENTRY_PICTURE, 2), "travel"},
    {5, 0, 7, SceneNumber(SceneRole::ENTRY_PICTURE, 3), "faq"},
}};
static_assert(SceneRoleCount(SceneRole::ENTRY_PICTURE) == MENU_ENTRIES.size(), "one entry picture per entry");

constexpr int32_t FIRST_TEXT_PAGE_PANEL = SceneNumber(SceneRole::TEXT_PAGE);

constexpr int32_t CountTextPages() {
    int32_t count = 0;
    for (const MenuEntry& entry : MENU_ENTRIES) count += entry.lastPage + 1;
    return count;
}
constexpr int32_t TEXT_PAGE_COUNT = CountTextPages();

// The entry a text page belongs to and the page within it; false for none.
constexpr bool FindTextPage(int32_t textPage, int32_t& entry, int32_t& page) {
    for (int32_t e = 0; e < static_cast<int32_t>(MENU_ENTRIES.size()); ++e) {
        int32_t p = textPage - MENU_ENTRIES[e].firstTextPage;
        if (p >= 0 && p <= MENU_ENTRIES[e].lastPage) {
            entry = e;
            page = p;
            return true;
        }
    }
    return false;
}

// Every text page belongs to exactly one entry.
constexpr bool TextPagesTile() {
    for (int32_t k = 0; k < TEXT_PAGE_COUNT; ++k) {
        int32_t owners = 0;
        for (const MenuEntry& entry : MENU_ENTRIES)
            if (k >= entry.firstTextPage && k <= entry.firstTextPage + entry.lastPage) ++owners;
        if (owners != 1) return false;
    }
    return true;
}
static_assert(TextPagesTile());
static_assert(SceneRoleCount(SceneRole::TEXT_PAGE) == TEXT_PAGE_COUNT && SceneRoleIsRun(SceneRole::TEXT_PAGE),
              "one text page picture per page, numbered one after another");

// Position 0 is the top one; offsets grow more negative downwards.
constexpr std::array<float, 6> POINTER_Y = {-0.05f, -0.3f, -0.65f, -0.95f, -1.25f, -1.55f};
constexpr int32_t MENU_POSITIONS = 6;

constexpr int32_t MENU_START_POSITION = 3;
constexpr float POINTER_START_Y = 0.3f;
constexpr float POINTER_X_OFFSET = 0.35f;
constexpr double MENU_RATE = 0.002;   // per millisecond
constexpr float BUTTON_SHOW_MS = 200.0f;

constexpr int32_t BACKDROP_LEFT_PANEL = SceneNumber(SceneRole::BACKDROP_LEFT);
constexpr int32_t BACKDROP_RIGHT_PANEL = SceneNumber(SceneRole::BACKDROP_RIGHT);
constexpr int32_t BUTTON_PANEL = SceneNumber(SceneRole::BUTTON);   // + pressedButton
constexpr int32_t POINTER_PANEL = SceneNumber(SceneRole::POINTER);

// Positions and their roles.
constexpr int32_t PREVIOUS_PAGE_POSITION = 2;
constexpr int32_t NEXT_PAGE_POSITION = 3;
// The entry a position opens; -1 for the page positions.
constexpr int32_t PositionEntry(int32_t position) {
    for (int32_t e = 0; e < static_cast<int32_t>(MENU_ENTRIES.size()); ++e)
        if (MENU_ENTRIES[e].position == position) return e;
    return -1;
}

// pressedButton values.
constexpr int32_t NO_BUTTON = 0;
constexpr int32_t PREVIOUS_BUTTON = 1;
constexpr int32_t NEXT_BUTTON = 2;
static_assert(SceneRoleCount(SceneRole::BUTTON) == NEXT_BUTTON + 1 && SceneRoleIsRun(SceneRole::BUTTON),
              "a button picture for each pressedButton, numbered one after another");

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
void AddMenuPanelCalls(const MenuState& state, DrawList& calls);
void AddMenuPointerCall(const MenuState& state, DrawList& calls);
