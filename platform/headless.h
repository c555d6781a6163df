// The headless variant of the platform, for tests and the capture tool: a hidden
// window on SDL's offscreen video driver, a virtual clock, scripted keys and a
// hook at every presented frame. The show cannot tell it from the live one.
#pragma once

#include <cstdint>
#include <functional>

// Must be called before CreateDisplayWindow. The window is then hidden, the
// display mode is never changed and no audio device is opened by the platform.
void UseHeadlessPlatform();

// TimeGetTime() reads the floor of this, in milliseconds.
void SetVirtualClock(double milliseconds);
double VirtualClock();

// Queues a key change; it reaches KeyTable at the next PumpMessages, as a real
// key event would.
void ScriptKey(int32_t virtualKey, bool down);
// Queues a close request (handled at the next PumpMessages: teardown, exit 0).
void ScriptCloseRequest();

// Called by PresentFrame with the finished frame still in the back buffer,
// before the swap; it may read the frame back and advance the clock.
void SetPresentHook(std::function<void()> hook);

// Reads the back buffer: width x height RGB bytes, top row first.
void ReadFrameRgb(uint8_t* out, int32_t width, int32_t height);

// Counts frames presented since the window was created.
int64_t PresentedFrames();
