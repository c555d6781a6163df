// What the desktop and headless platforms share: the SDL window and its GL
// context, key events and the event pump. Internal to platform/.
#pragma once

#include "platform/platform.h"

#include <SDL2/SDL.h>

struct DisplayWindow {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
};

// SDL's video, events and timer; false (said on stderr) when they cannot start.
bool StartSdlVideo();
// A double-buffered context with 8-bit colour and a 16-bit depth buffer.
void AskForGlFormat();
// Creates the window's context, makes it current and sets the initial GL state
// for its drawable. False (with the program's message) when it cannot.
bool CreateGlContext(DisplayWindow& display);
// The window manager or the desktop mode may have given the window another
// size than asked for; the picture follows what is really there.
void FollowDrawableSize(const DisplayWindow& display);
// Makes no context current and deletes the window's.
void ReleaseGlContext(DisplayWindow& display);
// Releases the context and destroys the window.
void ReleaseSdlWindow(DisplayWindow& display);

void SetKey(int32_t virtualKey, bool down);
// Reads SDL's queued events: keys into KeyTable, resizes followed; a close
// request is returned at once.
PumpResult PumpSdlEvents(const DisplayWindow& display);

// The line every message leaves on stderr: "Error: <text>".
void WriteMessageLine(const char* text);
