// What the headless platform offers beyond platform.h, for tests and the capture:
// a hidden window on SDL's offscreen video driver, a virtual clock, scripted
// keys and the frame read back. The show cannot tell it from the desktop one.
#pragma once

#include <cstdint>

// TimeGetTime() reads the floor of this, in milliseconds.
void SetVirtualClock(double milliseconds);
double VirtualClock();

// Queues a key change; it reaches KeyTable at the next PumpMessages, as a real
// key event would.
void ScriptKey(int32_t virtualKey, bool down);
// Queues a close request: the next PumpMessages returns CLOSE_REQUESTED.
void ScriptCloseRequest();
// Lets go of every key and forgets the queued ones: a new show starts with none held.
void ReleaseAllKeys();

// Reads the frame drawn so far: width x height RGB bytes, top row first.
void ReadFrameRgb(uint8_t* out, int32_t width, int32_t height);

// Counts frames presented since the window was created.
int64_t PresentedFrames();
