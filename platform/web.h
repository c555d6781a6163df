// What the browser platform's two clocks (web_live.cpp, web_check.cpp) share with its
// window (web.cpp): the key events waiting for the next pump, and the page's record of
// start-up times.
#pragma once

#include <cstdint>

// Queues a key change; it reaches KeyTable at the next PumpMessages.
void QueueKeyEvent(int32_t virtualKey, bool down);
// Every queued change into KeyTable, in order.
void ApplyQueuedKeys();
// Forgets the queued changes and lets go of every key.
void ForgetKeys();
// Notes the time start-up reached `name` in the page's record (page.js: invitation.timings),
// which the page's benchmark reads; nothing without the page.
void MarkPageTime(const char* name);
