// The outro: sliding credits, the blinking picture and the fade, all from the outro's clock.
#include "show/outro.h"


#include <cmath>

OutroCredits OutroCreditsAt(int32_t t) {
    double s = static_cast<double>(t) * OUTRO_RATE;
    OutroCredits credits{};
    credits.stage = static_cast<int32_t>(s);
    credits.brightness = static_cast<float>(std::fabs(std::sin(OUTRO_PI * s)));
    credits.offset = static_cast<float>((s - credits.stage) - 0.5);
    return credits;
}

int32_t OutroBlinkPanel(int32_t t) { return BLINK_PANEL + ((t / BLINK_PERIOD_MS) & 1); }

OutroFade OutroFadeAt(int32_t t) {
    float s = static_cast<float>(static_cast<double>(t) * OUTRO_RATE);
    OutroFade fade{};
    fade.stage = static_cast<int32_t>(s);
    fade.fadeLevel = static_cast<float>(1.0 - static_cast<double>(s - static_cast<float>(fade.stage)));
    return fade;
}

bool OutroEnds(const OutroFade& fade) { return fade.stage >= OUTRO_END_STAGE; }

float OutroMusicLevel(const OutroFade& fade) {
    if (fade.stage < OUTRO_FADE_STAGE) return 1.0f;
    return fade.stage >= OUTRO_END_STAGE ? 0.0f : fade.fadeLevel;
}

void AddOutroCreditCalls(const OutroCredits& credits, DrawList& calls) {
    if (credits.stage < 0 || credits.stage >= OUTRO_CREDIT_STAGES) return;
    calls.Add(ShiftedPanelCall(CREDIT_WIDE_PANEL + credits.stage, credits.offset, 0.0f, credits.brightness, true));
    calls.Add(ShiftedPanelCall(CREDIT_NAME_PANEL + credits.stage, 0.0f, credits.offset, credits.brightness, true));
}

void AddOutroBlinkCall(int32_t blinkPanel, DrawList& calls) { calls.Add(PanelCall(blinkPanel, 1.0f, true)); }

void AddOutroFadeCalls(const OutroFade& fade, DrawList& calls) {
    if (fade.stage >= OUTRO_FADE_STAGE) calls.Add(FadeCall(fade.fadeLevel));
    if (fade.stage >= OUTRO_END_STAGE) calls.Add(FadeCall(0.0f));
}
