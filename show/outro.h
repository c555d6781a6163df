// The outro: eight seconds of sliding credits, a blinking picture and a fade to black,
// with the music fading as the picture does.
// Every value of a frame follows from the milliseconds since the outro began.
#pragma once

#include "panel/draw_call.h"
#include "panel/scene_table.h"

#include <cstdint>

constexpr double OUTRO_RATE = 0.0005;   // stages per millisecond
constexpr double OUTRO_PI = 3.141592653589793;
constexpr int32_t BLINK_PERIOD_MS = 250;
constexpr int32_t OUTRO_FADE_STAGE = 3;
constexpr int32_t OUTRO_END_STAGE = 4;
constexpr int32_t OUTRO_CREDIT_STAGES = 3;
// The show time from the outro's first frame to its last: the end stage at OUTRO_RATE.
constexpr double OUTRO_LENGTH_MS = OUTRO_END_STAGE / OUTRO_RATE;

constexpr int32_t CREDIT_WIDE_PANEL = SceneNumber(SceneRole::CREDIT_WORD);   // + stage, slides to the right
constexpr int32_t CREDIT_NAME_PANEL = SceneNumber(SceneRole::CREDIT_NAME);   // + stage, slides upwards
constexpr int32_t BLINK_PANEL = SceneNumber(SceneRole::BLINK);               // + blink
static_assert(SceneRoleCount(SceneRole::CREDIT_WORD) == OUTRO_CREDIT_STAGES && SceneRoleIsRun(SceneRole::CREDIT_WORD) &&
                  SceneRoleCount(SceneRole::CREDIT_NAME) == OUTRO_CREDIT_STAGES &&
                  SceneRoleIsRun(SceneRole::CREDIT_NAME),
              "a word and a name picture for each credit stage, numbered one after another");
static_assert(SceneRoleCount(SceneRole::BLINK) == 2 && SceneRoleIsRun(SceneRole::BLINK), "the blink has two pictures");

// The credits of a frame, taken from the double-precision stage clock.
struct OutroCredits {
    int32_t stage;
    float brightness;   // |sin(pi s)|
    float offset;       // from -0.5 to just below 0.5 through the stage
};

// The fade of a frame, taken again from the stage clock stored as a 32-bit float.
struct OutroFade {
    int32_t stage;
    float fadeLevel;
};

OutroCredits OutroCreditsAt(int32_t t);
int32_t OutroBlinkPanel(int32_t t);
OutroFade OutroFadeAt(int32_t t);
// The outro ends after presenting the frame of this fade.
bool OutroEnds(const OutroFade& fade);
// The music's level in the frame of this fade: the overlay's level while it
// fades, silence from the black frame on, and 1 before the fade.
float OutroMusicLevel(const OutroFade& fade);

void AddOutroCreditCalls(const OutroCredits& credits, DrawList& calls);
void AddOutroBlinkCall(int32_t blinkPanel, DrawList& calls);
void AddOutroFadeCalls(const OutroFade& fade, DrawList& calls);
