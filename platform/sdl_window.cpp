// The SDL window, its GL context, key events and the event pump, shared by both SDL platforms.
#include "platform/sdl_window.h"

#include "platform/keys.h"

#include <cstdio>
#include <cstring>

int32_t KeyTable[KEY_TABLE_SIZE];

namespace {

// Keys pressed with Alt held, Alt itself and F10 were system keys: never recorded
// as presses. Releases always are, so that no key stays down for ever.
void HandleKeyEvent(const SDL_KeyboardEvent& key) {
    int32_t virtualKey = ScancodeToVirtualKey(key.keysym.scancode);
    bool alt = (key.keysym.mod & KMOD_ALT) != 0 || key.keysym.scancode == SDL_SCANCODE_LALT ||
               key.keysym.scancode == SDL_SCANCODE_RALT;
    if (key.type == SDL_KEYDOWN) {
        if (alt || virtualKey == VK_F10) return;
        SetKey(virtualKey, true);
    } else {
        SetKey(virtualKey, false);
    }
}

}  // namespace

bool StartSdlVideo() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) == 0) return true;
    std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
    return false;
}

void AskForGlFormat() {
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
}

bool CreateGlContext(DisplayWindow& display) {
    display.context = SDL_GL_CreateContext(display.window);
    if (!display.context) {
        ShowMessage("Can't Create A GL Rendering Context.", MessageIcon::ERROR);
        return false;
    }
    if (SDL_GL_MakeCurrent(display.window, display.context) != 0) {
        ShowMessage("Can't activate GLRC.", MessageIcon::ERROR);
        return false;
    }
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(display.window, &width, &height);
    InitGlState(width, height);
    return true;
}

void FollowDrawableSize(const DisplayWindow& display) {
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(display.window, &width, &height);
    SetProjection(width, height);
}

void ReleaseGlContext(DisplayWindow& display) {
    if (display.window) SDL_GL_MakeCurrent(display.window, nullptr);
    if (display.context) SDL_GL_DeleteContext(display.context);
    display.context = nullptr;
}

void ReleaseSdlWindow(DisplayWindow& display) {
    ReleaseGlContext(display);
    if (display.window) SDL_DestroyWindow(display.window);
    display = DisplayWindow{};
}

void SetKey(int32_t virtualKey, bool down) {
    if (virtualKey > 0 && virtualKey < KEY_TABLE_SIZE) KeyTable[virtualKey] = down ? 1 : 0;
}

PumpResult PumpSdlEvents(const DisplayWindow& display) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT: return PumpResult::CLOSE_REQUESTED;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) return PumpResult::CLOSE_REQUESTED;
            if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED && display.window) FollowDrawableSize(display);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: HandleKeyEvent(event.key); break;
        default: break;
        }
    }
    return PumpResult::CONTINUE;
}

void WriteMessageLine(const char* text) {
    // One line on stderr whatever the text ends with.
    size_t length = std::strlen(text);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) --length;
    std::fprintf(stderr, "Error: %.*s\n", static_cast<int>(length), text);
    std::fflush(stderr);
}
