// The first use of every picture and drawing state, before the show.
#include "web/warm_up.h"

#include "panel/draw.h"
#include "panel/panel.h"
#include "platform/web.h"
#include "show/menu.h"

#include <GLES2/gl2.h>

namespace {

constexpr GLsizei WARM_UP_SIDE = 8;

}  // namespace

void WarmUp(const Scene& scene) {
    // A corner of a few pixels is enough to use every texel lookup and blend once.
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glViewport(0, 0, WARM_UP_SIDE, WARM_UP_SIDE);
    for (int32_t number = 0; number < PANEL_SLOTS; ++number) {
        if (!IsBuiltPanel(scene.panels[number])) continue;
        Draw(scene, PanelCall(number, MAX_PANEL_BRIGHTNESS, false));
        Draw(scene, PanelCall(number, MAX_PANEL_BRIGHTNESS, true));
    }
    Draw(scene, SpriteCall(POINTER_PANEL, 0.0f, 0.0f));
    Draw(scene, FadeCall(0.5f));
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    Draw(scene, ClearCall(0.0f, 0.0f, 0.0f, 0.0f));
    // Sent now, so that the GPU works through the uploads and these draws meanwhile.
    glFlush();
    MarkPageTime("warmUpDrawn");
}

void WaitForWarmUp() {
    // Reading a pixel back waits for everything drawn before it.
    unsigned char pixel[4];
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
}
