// The desktop platform: a real window (X11 or Wayland through SDL), display modes,
// the wall clock, message boxes and the audio device.
#include "platform/audio.h"
#include "platform/display_modes.h"
#include "platform/sdl_window.h"

#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const char* const WINDOW_TITLE = "https://nightshift-2027.party.example - a party-invitation by Mirvald";

DisplayWindow TheWindow;
int32_t WindowWidth;
int32_t WindowHeight;
bool DisplayModeChanged;
bool ModeMissing;

// Restores the display mode on every way out of the process (installed at
// window creation; also used by start-up failures, which do not tear down).
void RestoreDisplay() {
    if (DisplayModeChanged && TheWindow.window) {
        SDL_SetWindowFullscreen(TheWindow.window, 0);
        DisplayModeChanged = false;
    }
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

// SDL fell back to a driver nobody sees (the display could not be opened at start).
bool VideoDriverUnseen() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

void ShowMessageBoxEndingOnSignal(Uint32 flags, const char* text) {
    // SDL's X11 box, opened beside such a driver, reads that driver's display list as
    // X11's and crashes. Without video running it opens the display on its own, so a
    // display that came up meanwhile still shows the box.
    if (VideoDriverUnseen()) SDL_QuitSubSystem(SDL_INIT_VIDEO);
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

WindowHandle CreateDisplayWindow(int32_t width, int32_t height, int32_t fullscreen, void* /*instance*/) {
    WindowWidth = width;
    WindowHeight = height;
    ModeMissing = false;
    if (!StartSdlVideo()) return nullptr;
    std::atexit(RestoreDisplay);
    // With no display SDL falls back to drivers nobody can see: no window there.
    if (VideoDriverUnseen()) return nullptr;
    AskForGlFormat();

    int x = 0, y = 0;
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    SDL_DisplayMode desktop{};
    if (fullscreen != DISPLAY_FULLSCREEN && SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
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
    if (!CreateGlContext(TheWindow)) return nullptr;

    if (fullscreen == DISPLAY_FULLSCREEN) {
        SDL_DisplayMode mode;
        if (!ChooseFullscreenMode(&mode)) {
            ModeMissing = true;
            return nullptr;
        }
        if (SDL_SetWindowDisplayMode(TheWindow.window, &mode) != 0) return nullptr;
        // Any other failure leaves the display as it is and creation goes on.
        if (SDL_SetWindowFullscreen(TheWindow.window, SDL_WINDOW_FULLSCREEN) == 0) DisplayModeChanged = true;
    }
    if (fullscreen != DISPLAY_WINDOWED) SDL_ShowCursor(SDL_DISABLE);
    SDL_ShowWindow(TheWindow.window);
    SDL_RaiseWindow(TheWindow.window);
    SDL_SetWindowInputFocus(TheWindow.window);
    SDL_GL_SetSwapInterval(1);
    SDL_GL_MakeCurrent(TheWindow.window, TheWindow.context);
    if (fullscreen != DISPLAY_FULLSCREEN) FollowDrawableSize(TheWindow);
    return &TheWindow;
}

bool DisplayModeMissing() { return ModeMissing; }

PumpResult PumpMessages() { return PumpSdlEvents(TheWindow); }

void PresentFrame() { SDL_GL_SwapWindow(TheWindow.window); }

uint32_t TimeGetTime() { return SDL_GetTicks(); }

void CloseDisplayWindow(WindowHandle /*window*/) {
    RestoreDisplay();
    SDL_ShowCursor(SDL_ENABLE);
    // Before exit(): the device thread must not render while statics are destroyed.
    CloseAudioOutput();
    // The context goes, the window stays for the process's end: destroying it would
    // unload the GL driver before exit, and the leak checker could no longer name
    // the driver's own allocations.
    ReleaseGlContext(TheWindow);
}

void SendCloseRequest(WindowHandle window) {
    CloseDisplayWindow(window);
    std::fflush(stdout);
    std::exit(0);
}

void ShowMessage(const char* text, MessageIcon icon) {
    WriteMessageLine(text);
    if (std::getenv("INVITATION_NO_MESSAGE_BOXES")) return;
    Uint32 flags = icon == MessageIcon::ERROR ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    ShowMessageBoxEndingOnSignal(flags, text);
}

void ShowErrorMessage(const char* text) {
    SDL_ShowCursor(SDL_ENABLE);
    ShowMessage(text, MessageIcon::ERROR);
}
