// Placeholder until the show lands: black frames until Escape.
#include "show/show.h"

#include "platform/platform.h"

#include <GL/gl.h>

const Colour BackgroundColour = {0.0f, 0.0f, 0.0f, 0.0f};

void ClearFrame() {
    glClearColor(BackgroundColour.red, BackgroundColour.green, BackgroundColour.blue, BackgroundColour.alpha);
    glClearDepth(1.0);
    glDepthFunc(GL_LESS);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void RunIntro() {}
void RunMenu() {
    do {
        PumpMessages();
        ClearFrame();
        PresentFrame();
    } while (!KeyTable[VK_ESCAPE]);
}
void RunOutro() {}
void RunShow() {
    RunIntro();
    RunMenu();
    RunOutro();
}

ShowStatus CurrentShowStatus = {ShowPhase::NONE, -1, -1, -1, -1, -1};
