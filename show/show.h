// The show: intro, invitation menu and outro, as a state stepped one frame per call.
// Pure: no GL, no SDL, no clock. Whoever owns the loop reads the input, steps,
// draws the frame's calls and presents it.
#pragma once

#include "music/music.h"
#include "panel/draw_call.h"
#include "show/menu.h"

#include <cstdint>

struct Colour {
    float red, green, blue, alpha;
};

extern const Colour BackgroundColour;

enum class ShowPhase { NONE, INTRO, MENU, OUTRO, DONE };

// What the show is doing in a frame, for whoever watches a run (the capture's log).
struct ShowStatus {
    ShowPhase phase;
    int32_t order;      // music position read by the intro's frame, else -1
    int32_t row;
    int32_t entry;      // menu state; -1 outside the menu
    int32_t page;
    int32_t position;   // the pointer's position
};

// What a frame reads: the key table as the frame's pump left it, the clock,
// and the music heard now.
struct FrameInput {
    const int32_t* keys;   // KEY_TABLE_SIZE entries, indexed by virtual-key code
    uint32_t now;          // milliseconds; only differences mean anything
    MusicPosition music;
};

// One frame as a value: its status, its drawing calls in order, and the level
// the music is to have from this frame on.
struct Frame {
    ShowStatus status;
    DrawList calls;
    float musicLevel;
};

struct ShowState {
    ShowPhase phase;     // INTRO, MENU, OUTRO, then DONE
    bool phaseBegun;     // a phase takes its start time in its first frame
    MenuState menu;
    uint32_t outroStart;
};

ShowState StartShow();
// The outro's last frame has been stepped.
bool ShowOver(const ShowState& show);
// The intro and the menu drain messages and take a close request before each
// frame; the outro never does, so both wait until the show has ended.
bool ShowTakesInput(const ShowState& show);
Frame StepShow(ShowState& show, const FrameInput& input);
