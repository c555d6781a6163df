// The intro: the logo pieces by music row, until the second order.
#include "show/intro.h"

#include "panel/draw.h"
#include "platform/platform.h"
#include "show/show.h"

IntroFrame UpdateIntro(const MusicPosition& position) {
    IntroFrame frame{};
    frame.last = position.order >= INTRO_END_ORDER;
    // The new order starts again at row 0; the last frame still shows the logo
    // complete, as the frames of the first order's end did.
    for (const IntroLogoStep& step : INTRO_LOGO_STEPS)
        if (frame.last || position.row >= step.row) frame.panels[frame.panelCount++] = step.panel;
    return frame;
}

void DrawIntro(const IntroFrame& frame) {
    for (int32_t i = 0; i < frame.panelCount; ++i) DrawPanel(frame.panels[i], 1.0f, true);
}

void RunIntro() {
    for (;;) {
        PumpMessages();
        ClearFrame();
        MusicPosition position{};
        GetMusicPosition(position);
        IntroFrame frame = UpdateIntro(position);
        DrawIntro(frame);
        CurrentShowStatus = {ShowPhase::INTRO, position.order, position.row, -1, -1, -1};
        // The frame in which the order first reads 1 is still shown.
        PresentFrame();
        if (frame.last) break;
    }
}
