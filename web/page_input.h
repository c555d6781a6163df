// A tap or click on the page turned into the show's own keys, frame by frame, from
// what the last frame showed: the show itself never learns of pointers.
#pragma once

#include "show/show.h"

#include <cstdint>

// The menu position whose label lies at the picture point (x, y), both from -1 to 1
// with y upwards (the panels' coordinates); -1 where there is none.
int32_t LabelAt(float x, float y);

// A tap being carried out: the position to reach and activate, and the key held.
struct TapPlan {
    int32_t target = -1;
    int32_t held = 0;   // a virtual key pressed last frame, released next
};

struct KeyChange {
    int32_t virtualKey;   // 0: none this frame
    bool down;
};

// Aims the plan at a position (a new tap replaces the old one).
void AimTap(TapPlan& plan, int32_t position);
// The key change for the next frame. The menu acts on a key's release, so each
// step is a press in one frame and its release in the next: Down or Up (the shorter way
// round) until the pointer is at the target, then Space. Outside the menu the plan is dropped.
KeyChange NextTapKey(TapPlan& plan, const ShowStatus& last);
