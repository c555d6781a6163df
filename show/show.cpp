// The show's three phases in order, and the frame clear they share.
#include "show/show.h"

#include "platform/platform.h"

#include <GL/gl.h>

const Colour BackgroundColour = {0.0f, 0.0f, 0.0f, 0.0f};

ShowStatus CurrentShowStatus = {ShowPhase::NONE, -1, -1, -1, -1, -1};

void ClearFrame() {
    glClearColor(BackgroundColour.red, BackgroundColour.green, BackgroundColour.blue, BackgroundColour.alpha);
    glClearDepth(1.0);
    glDepthFunc(GL_LESS);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void RunShow() {
    RunIntro();
    // Escape still held as the logo completes skips the menu.
    if (!KeyTable[VK_ESCAPE]) RunMenu();
    RunOutro();
    CurrentShowStatus = {ShowPhase::DONE, -1, -1, -1, -1, -1};
}
