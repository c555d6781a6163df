// The SDL platform: window and GL context, keys, clock, message boxes, live and headless.
#include "platform/platform.h"

#include "platform/audio.h"
#include "platform/data_folder.h"
#include "platform/display_modes.h"
#include "platform/headless.h"
#include "platform/keys.h"

#include <SDL2/SDL.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <vector>

#ifndef GL_DEPTH_CLAMP
#define GL_DEPTH_CLAMP 0x864F
#endif

int32_t KeyTable[KEY_TABLE_SIZE];

struct DisplayWindow {
    SDL_Window* window;
};

namespace {

const char* const WINDOW_TITLE = "https://nightshift-2027.party.example - a party-invitation by Mirvald";

constexpr int32_t VK_F10 = 0x79;

DisplayWindow TheWindow;
SDL_GLContext WindowGlContext;
int32_t WindowWidth;
int32_t WindowHeight;
bool DisplayModeChanged;
bool ModeMissing;

struct ScriptedEvent {
    int32_t virtualKey;   // -1: close request
    bool down;
};

bool Headless;
double VirtualMilliseconds;
std::deque<ScriptedEvent> ScriptedEvents;
std::function<void()> PresentHook;
int64_t FramesPresented;
bool TraceFirstFrame;

// Restores the display mode on every way out of the process (installed at
// window creation; also used by start-up failures, which do not tear down).
void RestoreDisplay() {
    if (DisplayModeChanged && TheWindow.window) {
        SDL_SetWindowFullscreen(TheWindow.window, 0);
        DisplayModeChanged = false;
    }
}

[[noreturn]] void Teardown() {
    RestoreDisplay();
    SDL_ShowCursor(SDL_ENABLE);
    CloseAudioOutput();
    if (TheWindow.window) SDL_GL_MakeCurrent(TheWindow.window, nullptr);
    if (WindowGlContext) SDL_GL_DeleteContext(WindowGlContext);
    WindowGlContext = nullptr;
    std::fflush(stdout);
    std::exit(0);
}

void SetKey(int32_t virtualKey, bool down) {
    if (virtualKey > 0 && virtualKey < KEY_TABLE_SIZE) KeyTable[virtualKey] = down ? 1 : 0;
}

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

bool CreateGlContext() {
    WindowGlContext = SDL_GL_CreateContext(TheWindow.window);
    if (!WindowGlContext) {
        ShowMessage("Can't Create A GL Rendering Context.", MessageIcon::ERROR);
        return false;
    }
    if (SDL_GL_MakeCurrent(TheWindow.window, WindowGlContext) != 0) {
        ShowMessage("Can't activate GLRC.", MessageIcon::ERROR);
        return false;
    }
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(TheWindow.window, &width, &height);
    InitGlState(width, height);
    return true;
}

// The window manager or the desktop mode may have given the window another
// size than asked for; the picture follows what is really there.
void FollowDrawableSize() {
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(TheWindow.window, &width, &height);
    SetProjection(width, height);
}

bool HasDepthClamp() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 0, minor = 0;
    if (version && std::sscanf(version, "%d.%d", &major, &minor) == 2 &&
        (major > 3 || (major == 3 && minor >= 2)))
        return true;
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return extensions && std::strstr(extensions, "GL_ARB_depth_clamp");
}

bool ChooseFullscreenMode(SDL_DisplayMode* chosen) {
    int count = SDL_GetNumDisplayModes(0);
    if (count < 1) return false;
    if (count > DISPLAY_MODE_CAPACITY) count = DISPLAY_MODE_CAPACITY;
    std::vector<SDL_DisplayMode> sdlModes(count);
    std::vector<DisplayModeInfo> modes(count);
    int fetched = 0;
    for (; fetched < count; ++fetched) {
        if (SDL_GetDisplayMode(0, fetched, &sdlModes[fetched]) != 0) break;
        const SDL_DisplayMode& mode = sdlModes[fetched];
        modes[fetched] = {mode.w, mode.h, static_cast<int32_t>(SDL_BITSPERPIXEL(mode.format))};
    }
    int best = FindDisplayMode(modes.data(), fetched, WindowWidth, WindowHeight);
    if (best < 0) return false;
    *chosen = sdlModes[best];
    return true;
}

// SDL shows an X11 message box from a forked child and waits for it, retrying
// through signals; its own SIGTERM/SIGINT handlers only queue a quit event that
// nobody reads while the box is up. So while a box is open, those signals end
// the process here, and the box's child dies with it.
volatile sig_atomic_t MessageBoxOpen;

void EndWhileMessageBoxOpen(int) {
    RestoreDisplay();
    _exit(1);
}

// In the box's child: it dies with the process, and a signal (Ctrl+C reaches
// both) simply ends it; the display is the parent's to restore.
void PrepareMessageBoxChild() {
    if (!MessageBoxOpen) return;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
}

void ShowMessageBoxEndingOnSignal(Uint32 flags, const char* text) {
    static bool atForkInstalled = false;
    if (!atForkInstalled) atForkInstalled = pthread_atfork(nullptr, nullptr, PrepareMessageBoxChild) == 0;
    struct sigaction ending {}, oldTerm {}, oldInt {};
    ending.sa_handler = EndWhileMessageBoxOpen;
    sigemptyset(&ending.sa_mask);
    sigaction(SIGTERM, &ending, &oldTerm);
    sigaction(SIGINT, &ending, &oldInt);
    MessageBoxOpen = 1;
    SDL_ShowSimpleMessageBox(flags, "Error", text, nullptr);
    MessageBoxOpen = 0;
    sigaction(SIGTERM, &oldTerm, nullptr);
    sigaction(SIGINT, &oldInt, nullptr);
}

}  // namespace

void UseHeadlessPlatform() { Headless = true; }
void SetVirtualClock(double milliseconds) { VirtualMilliseconds = milliseconds; }
double VirtualClock() { return VirtualMilliseconds; }
void ScriptKey(int32_t virtualKey, bool down) { ScriptedEvents.push_back({virtualKey, down}); }
void ScriptCloseRequest() { ScriptedEvents.push_back({-1, false}); }
void SetPresentHook(std::function<void()> hook) { PresentHook = std::move(hook); }
int64_t PresentedFrames() { return FramesPresented; }

void ReadFrameRgb(uint8_t* out, int32_t width, int32_t height) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // The offscreen driver's surface has a single buffer.
    GLint doubleBuffered = 0;
    glGetIntegerv(GL_DOUBLEBUFFER, &doubleBuffered);
    glReadBuffer(doubleBuffered ? GL_BACK : GL_FRONT);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, out);
    // GL gives the bottom row first: turn the rows over in place, no copy per frame.
    size_t stride = static_cast<size_t>(width) * 3;
    for (int32_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(out + stride * top, out + stride * (top + 1), out + stride * bottom);
}

WindowHandle CreateDisplayWindow(int32_t width, int32_t height, int32_t fullscreen, void* /*instance*/) {
    WindowWidth = width;
    WindowHeight = height;
    ModeMissing = false;
    TraceFirstFrame = std::getenv("INVITATION_TRACE_FIRST_FRAME") != nullptr;
    if (Headless) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return nullptr;
    }
    std::atexit(RestoreDisplay);
    // With no display SDL falls back to drivers nobody can see: no window there.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!Headless && driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0))
        return nullptr;

    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);

    int x = 0, y = 0;
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    SDL_DisplayMode desktop{};
    if (!Headless && fullscreen != DISPLAY_FULLSCREEN && SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
        if (fullscreen == DISPLAY_DESKTOP) {
            width = desktop.w;
            height = desktop.h;
            flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        } else {
            int32_t scale = WindowScale(desktop.w, desktop.h, width, height);
            width *= scale;
            height *= scale;
            x = y = SDL_WINDOWPOS_CENTERED;
            flags |= SDL_WINDOW_RESIZABLE;
        }
    }
    // The window exists, in the current display mode, before a mode is chosen.
    TheWindow.window = SDL_CreateWindow(WINDOW_TITLE, x, y, width, height, flags);
    if (!TheWindow.window) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return nullptr;
    }
    // A window without a working GL context would end in GL calls with none
    // current: fail creation instead of going on.
    if (!CreateGlContext()) return nullptr;

    if (!Headless && fullscreen == DISPLAY_FULLSCREEN) {
        SDL_DisplayMode mode;
        if (!ChooseFullscreenMode(&mode)) {
            ModeMissing = true;
            return nullptr;
        }
        if (SDL_SetWindowDisplayMode(TheWindow.window, &mode) != 0) return nullptr;
        // Any other failure leaves the display as it is and creation goes on.
        if (SDL_SetWindowFullscreen(TheWindow.window, SDL_WINDOW_FULLSCREEN) == 0) DisplayModeChanged = true;
    }
    if (!Headless && fullscreen != DISPLAY_WINDOWED) SDL_ShowCursor(SDL_DISABLE);
    if (!Headless) {
        SDL_ShowWindow(TheWindow.window);
        SDL_RaiseWindow(TheWindow.window);
        SDL_SetWindowInputFocus(TheWindow.window);
        SDL_GL_SetSwapInterval(1);
    } else {
        SDL_GL_SetSwapInterval(0);
    }
    SDL_GL_MakeCurrent(TheWindow.window, WindowGlContext);
    if (fullscreen != DISPLAY_FULLSCREEN) FollowDrawableSize();
    return &TheWindow;
}

bool DisplayModeMissing() { return ModeMissing; }

void SetProjection(int32_t width, int32_t height) {
    // The show draws into its 4:3 picture only; the frame's clear blackens the bars.
    PictureRect picture = FitPicture(width, height);
    if (picture.height == 0) picture.height = 1;
    glViewport(picture.x, picture.y, picture.width, picture.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(picture.width) / static_cast<double>(picture.height),
                   static_cast<double>(0.1f), 10000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void InitGlState(int32_t width, int32_t height) {
    glEnable(GL_TEXTURE_2D);
    glClearColor(0.2f, 0.2f, 0.2f, 0.0f);
    glClearDepth(1.0);
    glDepthFunc(GL_LESS);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    // Every panel lies exactly on the near plane of its camera; without clamping,
    // rounding would clip some of them away.
    if (HasDepthClamp()) glEnable(GL_DEPTH_CLAMP);
    SetProjection(width, height);
}

void PumpMessages() {
    while (!ScriptedEvents.empty()) {
        ScriptedEvent event = ScriptedEvents.front();
        ScriptedEvents.pop_front();
        if (event.virtualKey < 0) Teardown();
        SetKey(event.virtualKey, event.down);
    }
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT:
            Teardown();
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) Teardown();
            if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) FollowDrawableSize();
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            HandleKeyEvent(event.key);
            break;
        default:
            break;
        }
    }
}

void PresentFrame() {
    if (PresentHook) PresentHook();
    SDL_GL_SwapWindow(TheWindow.window);
    // The offscreen surface's swap neither flushes nor waits: without this, Mesa
    // queues every frame's commands and memory grows by a quarter MiB a frame.
    if (Headless) glFinish();
    if (FramesPresented++ == 0 && TraceFirstFrame) {
        timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        std::fprintf(stderr, "first-frame %lld.%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
    }
}

uint32_t TimeGetTime() {
    if (Headless) return static_cast<uint32_t>(static_cast<int64_t>(std::floor(VirtualMilliseconds)));
    return SDL_GetTicks();
}

void SendCloseRequest(WindowHandle /*window*/) { Teardown(); }

void ShowMessage(const char* text, MessageIcon icon) {
    // One line on stderr whatever the text ends with.
    size_t length = std::strlen(text);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) --length;
    std::fprintf(stderr, "Error: %.*s\n", static_cast<int>(length), text);
    std::fflush(stderr);
    if (Headless || std::getenv("INVITATION_NO_MESSAGE_BOXES")) return;
    Uint32 flags = icon == MessageIcon::ERROR ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    ShowMessageBoxEndingOnSignal(flags, text);
}

void ShowErrorMessage(const char* text) {
    SDL_ShowCursor(SDL_ENABLE);
    ShowMessage(text, MessageIcon::ERROR);
}

std::string NativePath(const char* path) {
    std::string native(path);
    for (char& c : native)
        if (c == '\\') c = '/';
    // "data\\..." names the data folder in use, wherever it is.
    if (std::strncmp(path, "data\\", 5) == 0 && DataFolder() != "data") native = DataFolder() + native.substr(4);
    return native;
}
