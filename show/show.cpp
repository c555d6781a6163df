// The show's three phases in order, and the frame clear they share.
#include "show/show.h"

#include "panel/draw.h"
#include "platform/platform.h"

const Colour BackgroundColour = {0.0f, 0.0f, 0.0f, 0.0f};

ShowStatus CurrentShowStatus = {ShowPhase::NONE, -1, -1, -1, -1, -1};

void ClearFrame() {
    ClearPanelFrame(BackgroundColour.red, BackgroundColour.green, BackgroundColour.blue, BackgroundColour.alpha);
}

void RunShow() {
    RunIntro();
    // Escape still held as the logo completes skips the menu.
    if (!KeyTable[VK_ESCAPE]) RunMenu();
    RunOutro();
    CurrentShowStatus = {ShowPhase::DONE, -1, -1, -1, -1, -1};
}
