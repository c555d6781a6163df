// The intro: the logo built up piece by piece with the rows of the music's first order.
#pragma once

#include "music/music.h"
#include "panel/draw_call.h"
#include "panel/scene_table.h"

#include <array>
#include <cstdint>

struct IntroLogoStep {
    int32_t row;     // drawn while the row is at least this
    int32_t panel;
};

constexpr std::array<IntroLogoStep, 5> INTRO_LOGO_STEPS = {{
    {4, SceneNumber(SceneRole::LOGO_CLOCK)},
    {10, SceneNumber(SceneRole::LOGO_LOWER_BAR)},
    {12, SceneNumber(SceneRole::LOGO_NAME)},
    {14, SceneNumber(SceneRole::LOGO_UPPER_BAR)},
    {16, SceneNumber(SceneRole::LOGO_YEAR)},
}};
constexpr int32_t INTRO_END_ORDER = 1;

// One intro frame, decided by the music position read in it alone.
struct IntroFrame {
    std::array<int32_t, INTRO_LOGO_STEPS.size()> panels;   // in drawing order
    int32_t panelCount;
    bool last;   // the order has reached INTRO_END_ORDER: this frame ends the intro, with the whole logo
};

IntroFrame UpdateIntro(const MusicPosition& position);
void AddIntroCalls(const IntroFrame& frame, DrawList& calls);
