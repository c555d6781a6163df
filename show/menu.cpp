// The menu: key latch, entries and pages, cross-fades, buttons and the pointer glide.
#include "show/menu.h"

#include "platform/key_codes.h"

MenuKeys ReadMenuKeys(const int32_t* keyTable) {
    return {keyTable[VK_SPACE] != 0 || keyTable[VK_RETURN] != 0, keyTable[VK_DOWN] != 0, keyTable[VK_UP] != 0};
}

MenuState StartMenu(uint32_t now) {
    MenuState state{};
    state.position = MENU_START_POSITION;
    state.entry = 0;
    state.page = 0;
    state.keyLatch = LATCH_IDLE;
    state.pressedButton = NO_BUTTON;
    state.buttonTimeLeft = 0.0f;
    // Not the first page's panel: the first frame settles it, so the page is at
    // full brightness from the start.
    state.oldPagePanel = 0;
    state.newPageBrightness = 1.0f;
    state.oldPageBrightness = 0.0f;
    state.pointerY = POINTER_START_Y;
    state.previousTime = now;
    return state;
}

int32_t PagePanel(const MenuState& state) {
    return FIRST_TEXT_PAGE_PANEL + MENU_ENTRIES[state.entry].firstTextPage + state.page;
}

int32_t TakeFrameTime(MenuState& state, uint32_t now) {
    int32_t dt = static_cast<int32_t>(now - state.previousTime);
    state.previousTime = now;
    return dt;
}

void ActivatePosition(MenuState& state) {
    int32_t last = MENU_ENTRIES[state.entry].lastPage;
    if (state.position == PREVIOUS_PAGE_POSITION) {
        state.page = state.page - 1 < 0 ? last : state.page - 1;
        state.pressedButton = PREVIOUS_BUTTON;
        state.buttonTimeLeft = BUTTON_SHOW_MS;
    } else if (state.position == NEXT_PAGE_POSITION) {
        state.page = state.page + 1 > last ? 0 : state.page + 1;
        state.pressedButton = NEXT_BUTTON;
        state.buttonTimeLeft = BUTTON_SHOW_MS;
    } else {
        int32_t entry = PositionEntry(state.position);
        if (state.entry != entry) {
            state.entry = entry;
            state.page = 0;
        }
    }
    // Also when nothing changed: the current page then shows through the old
    // slot, and a running fade restarts from the page that was fading out.
    state.newPageBrightness = 0.0f;
    state.oldPageBrightness = 1.0f;
}

void UpdateMenuKeys(MenuState& state, MenuKeys keys) {
    // Only an idle latch takes a key, so one key at a time acts, at its release.
    if (keys.select) {
        if (state.keyLatch == LATCH_IDLE) state.keyLatch = LATCH_SELECT;
    } else if (state.keyLatch == LATCH_SELECT) {
        state.keyLatch = -LATCH_SELECT;
    }
    if (keys.down) {
        if (state.keyLatch == LATCH_IDLE) state.keyLatch = LATCH_DOWN;
    } else if (state.keyLatch == LATCH_DOWN) {
        state.keyLatch = -LATCH_DOWN;
    }
    if (keys.up) {
        if (state.keyLatch == LATCH_IDLE) state.keyLatch = LATCH_UP;
    } else if (state.keyLatch == LATCH_UP) {
        state.keyLatch = -LATCH_UP;
    }

    if (state.keyLatch == -LATCH_SELECT) {
        state.keyLatch = LATCH_IDLE;
        ActivatePosition(state);
    }
    if (state.keyLatch == -LATCH_DOWN) {
        state.keyLatch = LATCH_IDLE;
        state.position = state.position + 1 > MENU_POSITIONS - 1 ? 0 : state.position + 1;
    }
    if (state.keyLatch == -LATCH_UP) {
        state.keyLatch = LATCH_IDLE;
        state.position = state.position - 1 < 0 ? MENU_POSITIONS - 1 : state.position - 1;
    }
}

void UpdateCrossFade(MenuState& state, int32_t dt) {
    int32_t pagePanel = PagePanel(state);
    if (state.oldPagePanel == pagePanel) return;
    double step = MENU_RATE * static_cast<double>(dt);
    state.newPageBrightness = static_cast<float>(static_cast<double>(state.newPageBrightness) + step);
    if (state.newPageBrightness > 1.0f) state.newPageBrightness = 1.0f;
    state.oldPageBrightness = static_cast<float>(static_cast<double>(state.oldPageBrightness) - step);
    if (state.oldPageBrightness < 0.0f) {
        state.oldPageBrightness = 0.0f;
        state.oldPagePanel = pagePanel;
    }
}

void UpdateButtonTime(MenuState& state, int32_t dt) {
    if (state.pressedButton == NO_BUTTON) return;
    state.buttonTimeLeft = static_cast<float>(static_cast<double>(state.buttonTimeLeft) - static_cast<double>(dt));
    if (state.buttonTimeLeft < 0.0f) state.buttonTimeLeft = 0.0f;
    if (state.buttonTimeLeft == 0.0f) state.pressedButton = NO_BUTTON;
}

void UpdatePointer(MenuState& state, int32_t dt) {
    float target = POINTER_Y[state.position];
    double step = MENU_RATE * static_cast<double>(dt);
    if (state.pointerY < target) {
        state.pointerY = static_cast<float>(static_cast<double>(state.pointerY) + step);
        if (state.pointerY > target) state.pointerY = target;
    }
    if (state.pointerY > target) {
        state.pointerY = static_cast<float>(static_cast<double>(state.pointerY) - step);
        if (state.pointerY < target) state.pointerY = target;
    }
}

int32_t UpdateMenuBeforePanels(MenuState& state, MenuKeys keys, uint32_t now) {
    int32_t dt = TakeFrameTime(state, now);
    UpdateMenuKeys(state, keys);
    UpdateCrossFade(state, dt);
    return dt;
}

void UpdateMenuAfterPanels(MenuState& state, int32_t dt) {
    UpdateButtonTime(state, dt);
    UpdatePointer(state, dt);
}

void UpdateMenu(MenuState& state, MenuKeys keys, uint32_t now) {
    int32_t dt = UpdateMenuBeforePanels(state, keys, now);
    UpdateMenuAfterPanels(state, dt);
}

void AddMenuPanelCalls(const MenuState& state, DrawList& calls) {
    calls.Add(PanelCall(BACKDROP_LEFT_PANEL, 1.0f, false));
    calls.Add(PanelCall(BACKDROP_RIGHT_PANEL, 1.0f, false));
    calls.Add(PanelCall(PagePanel(state), state.newPageBrightness, true));
    calls.Add(PanelCall(state.oldPagePanel, state.oldPageBrightness, true));
    calls.Add(PanelCall(BUTTON_PANEL + state.pressedButton, 1.0f, true));
    calls.Add(PanelCall(MENU_ENTRIES[state.entry].picturePanel, 1.0f, true));
}

void AddMenuPointerCall(const MenuState& state, DrawList& calls) {
    calls.Add(SpriteCall(POINTER_PANEL, POINTER_X_OFFSET, state.pointerY));
}
