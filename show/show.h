// The show: intro, invitation menu and outro.
#pragma once

#include <cstdint>

struct Colour {
    float red, green, blue, alpha;
};

extern const Colour BackgroundColour;

void ClearFrame();
void RunShow();
void RunIntro();
void RunMenu();
void RunOutro();

// What the show is doing, published by the phase loops for tools that watch a
// run (the capture log). Written once per frame; not read by the show itself.
enum class ShowPhase { NONE, INTRO, MENU, OUTRO, DONE };

struct ShowStatus {
    ShowPhase phase;
    int32_t order;      // music position read by the intro's frame, else -1
    int32_t row;
    int32_t entry;      // menu state; -1 outside the menu
    int32_t page;
    int32_t position;
};

extern ShowStatus CurrentShowStatus;
