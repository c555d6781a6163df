// The outro: sliding credits, the blinking picture and the fade, all from the outro's clock.
#include "show/outro.h"

#include "music/music.h"
#include "panel/draw.h"
#include "platform/platform.h"
#include "show/show.h"

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

void DrawOutroCredits(const OutroCredits& credits) {
    if (credits.stage < 0 || credits.stage >= OUTRO_CREDIT_STAGES) return;
    DrawPanelShifted(CREDIT_WIDE_PANEL + credits.stage, credits.offset, 0.0f, credits.brightness, true);
    DrawPanelShifted(CREDIT_NAME_PANEL + credits.stage, 0.0f, credits.offset, credits.brightness, true);
}

void DrawOutroBlink(int32_t blinkPanel) { DrawPanel(blinkPanel, 1.0f, true); }

void DrawOutroFade(const OutroFade& fade) {
    if (fade.stage >= OUTRO_FADE_STAGE) DrawFadeOverlay(fade.fadeLevel);
    if (fade.stage >= OUTRO_END_STAGE) DrawFadeOverlay(0.0f);
}

// Never pumps messages: keys and close requests wait until the show is over.
void RunOutro() {
    uint32_t startTime = TimeGetTime();
    for (;;) {
        int32_t t = static_cast<int32_t>(TimeGetTime() - startTime);
        ClearFrame();
        OutroCredits credits = OutroCreditsAt(t);
        DrawOutroCredits(credits);
        DrawOutroBlink(OutroBlinkPanel(t));
        OutroFade fade = OutroFadeAt(t);
        DrawOutroFade(fade);
        // The music follows the overlay's level and meets silence where the overlay meets black.
        SetMusicLevel(OutroMusicLevel(fade));
        CurrentShowStatus = {ShowPhase::OUTRO, -1, -1, -1, -1, -1};
        PresentFrame();
        if (OutroEnds(fade)) break;
    }
}
