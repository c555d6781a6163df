// The headless platform: a hidden window on SDL's offscreen driver, a virtual
// clock, scripted keys and close requests, no message boxes and no audio device.
#include "platform/headless.h"

#include "platform/sdl_window.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>

namespace {

struct ScriptedEvent {
    int32_t virtualKey;   // -1: close request
    bool down;
};

DisplayWindow TheWindow;
double VirtualMilliseconds;
std::deque<ScriptedEvent> ScriptedEvents;
int64_t FramesPresented;

}  // namespace

void SetVirtualClock(double milliseconds) { VirtualMilliseconds = milliseconds; }
double VirtualClock() { return VirtualMilliseconds; }
void ScriptKey(int32_t virtualKey, bool down) { ScriptedEvents.push_back({virtualKey, down}); }
void ScriptCloseRequest() { ScriptedEvents.push_back({-1, false}); }
int64_t PresentedFrames() { return FramesPresented; }

void ReleaseAllKeys() {
    ScriptedEvents.clear();
    std::fill(std::begin(KeyTable), std::end(KeyTable), 0);
}

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

WindowHandle CreateDisplayWindow(int32_t width, int32_t height, int32_t /*fullscreen*/, void* /*instance*/) {
    FramesPresented = 0;
    if (TheWindow.window) {
        int oldWidth = 0, oldHeight = 0;
        SDL_GetWindowSize(TheWindow.window, &oldWidth, &oldHeight);
        if (oldWidth == width && oldHeight == height && SDL_GL_MakeCurrent(TheWindow.window, TheWindow.context) == 0) {
            InitGlState(width, height);
            return &TheWindow;
        }
        ReleaseSdlWindow(TheWindow);
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    if (!StartSdlVideo()) return nullptr;
    AskForGlFormat();
    TheWindow.window = SDL_CreateWindow("invitation", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!TheWindow.window) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return nullptr;
    }
    if (!CreateGlContext(TheWindow)) return nullptr;
    SDL_GL_SetSwapInterval(0);
    return &TheWindow;
}

bool DisplayModeMissing() { return false; }

PumpResult PumpMessages() {
    while (!ScriptedEvents.empty()) {
        ScriptedEvent event = ScriptedEvents.front();
        ScriptedEvents.pop_front();
        if (event.virtualKey < 0) return PumpResult::CLOSE_REQUESTED;
        SetKey(event.virtualKey, event.down);
    }
    return PumpSdlEvents(TheWindow);
}

void PresentFrame() {
    SDL_GL_SwapWindow(TheWindow.window);
    // The offscreen surface's swap neither flushes nor waits: without this, Mesa
    // queues every frame's commands and memory grows by a quarter MiB a frame.
    glFinish();
    ++FramesPresented;
}

uint32_t TimeGetTime() { return static_cast<uint32_t>(static_cast<int64_t>(std::floor(VirtualMilliseconds))); }

// The window and its context stay for the next show of this size in the process:
// releasing them unloads parts of the GL driver, whose thread-local storage the
// leak checker then trips over at exit. The process's end releases them.
void CloseDisplayWindow(WindowHandle /*window*/) { glFinish(); }

void SendCloseRequest(WindowHandle window) {
    CloseDisplayWindow(window);
    std::fflush(stdout);
    std::exit(0);
}

void ShowMessage(const char* text, MessageIcon /*icon*/) { WriteMessageLine(text); }

void ShowErrorMessage(const char* text) { ShowMessage(text, MessageIcon::ERROR); }
