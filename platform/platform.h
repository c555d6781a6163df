// The program's only door to the operating system: window, GL context, keyboard,
// clock and message boxes. One header; the implementation is chosen when linking:
// `platform_desktop` (SDL on X11 or Wayland, the audio device), `platform_headless`
// (offscreen GL, virtual clock, scripted keys; see platform/headless.h).
#pragma once

#include "platform/key_codes.h"

#include <cstdint>

// Whether this build may start threads; the browser build has none. Work the desktop
// does ahead on a thread (LoadMusicAhead, PrefetchScenePictures) is then done when it
// is asked for, which is still before the first frame.
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
constexpr bool PLATFORM_HAS_THREADS = false;
#else
constexpr bool PLATFORM_HAS_THREADS = true;
#endif

// Whether a texture made without pixels is black: WebGL zero-fills it, desktop GL leaves it
// undefined. The browser's GPU (often a software one) then costs per byte uploaded, and a
// picture's black tiles need not be sent.
#ifdef __EMSCRIPTEN__
constexpr bool PLATFORM_TEXTURES_START_BLACK = true;
#else
constexpr bool PLATFORM_TEXTURES_START_BLACK = false;
#endif

// 1 while the key is down, 0 when it is up. Written only while messages are
// pumped (PumpMessages, window creation, message boxes).
extern int32_t KeyTable[KEY_TABLE_SIZE];

// Opaque; null means no window.
using WindowHandle = struct DisplayWindow*;

// How the window covers the display (CreateDisplayWindow's `fullscreen`).
constexpr int32_t DISPLAY_WINDOWED = 0;     // a resizable window; width x height times the largest
                                            // whole scale that fits the desktop comfortably
constexpr int32_t DISPLAY_FULLSCREEN = 1;   // the deepest mode of exactly width x height
constexpr int32_t DISPLAY_DESKTOP = 2;      // the whole screen in the desktop's mode, no mode change

// Opens the window and its GL context and makes it current. Fullscreen (flag 1)
// switches to the deepest mode of exactly width x height; no such mode: null.
// The headless window is width x height whatever the flag. Whatever the window's
// size, the show is drawn into its centred 4:3 picture (SetProjection).
// `instance` stands for the program's module handle and is not used here.
WindowHandle CreateDisplayWindow(int32_t width, int32_t height, int32_t fullscreen, void* instance);

// After CreateDisplayWindow failed: true when the display had no mode of the
// size asked for.
bool DisplayModeMissing();

// Viewport and the 45-degree projection: the centred 4:3 picture of a
// width x height output (FitPicture), the rest of the frame left to the clear.
void SetProjection(int32_t width, int32_t height);
// Initial GL state, then SetProjection.
void InitGlState(int32_t width, int32_t height);

enum class PumpResult { CONTINUE, CLOSE_REQUESTED };

// Dispatches every waiting event without waiting. Key events update KeyTable.
// A close request (the window's close button, Alt+F4, a quit) is returned to
// the loop's owner at once; later events wait for the next pump.
PumpResult PumpMessages();

// Presents the finished frame: the buffer swap, the loop's only wait.
void PresentFrame();

// Milliseconds; only differences between readings mean anything.
uint32_t TimeGetTime();

// The end of a show's window: the desktop restores the display mode, shows the
// cursor, closes the audio device and releases the GL context; the headless
// platform keeps its window for the next show of the same size. Safe with null.
void CloseDisplayWindow(WindowHandle window);

// The program's end, at the show's end or on a close request: CloseDisplayWindow,
// then the process exits with status 0.
[[noreturn]] void SendCloseRequest(WindowHandle window);

enum class MessageIcon { NONE, ERROR };

// Modal box captioned "Error" when one can be shown; the text always goes to
// stderr as "Error: <text>" (one line). Returns once dismissed, or at once
// when no box can be shown. SIGTERM or SIGINT while the box is open ends the
// process with status 1, the display restored. INVITATION_NO_MESSAGE_BOXES in
// the environment (a kiosk, a test) leaves only the line on stderr.
void ShowMessage(const char* text, MessageIcon icon);

// The program's error report: cursor shown, then ShowMessage with the error icon.
void ShowErrorMessage(const char* text);
