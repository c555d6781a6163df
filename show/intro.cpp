// The intro: the logo pieces by music row, until the second order.
#include "show/intro.h"


IntroFrame UpdateIntro(const MusicPosition& position) {
    IntroFrame frame{};
    frame.last = position.order >= INTRO_END_ORDER;
    // The new order starts again at row 0; the last frame still shows the logo
    // complete, as the frames of the first order's end did.
    for (const IntroLogoStep& step : INTRO_LOGO_STEPS)
        if (frame.last || position.row >= step.row) frame.panels[frame.panelCount++] = step.panel;
    return frame;
}

void AddIntroCalls(const IntroFrame& frame, DrawList& calls) {
    for (int32_t i = 0; i < frame.panelCount; ++i) calls.Add(PanelCall(frame.panels[i], 1.0f, true));
}
