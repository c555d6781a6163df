// The drawing modes: panels, shifted panels, the masked sprite and the fade overlay.
#include "panel/draw.h"

#include "image/texture.h"
#include "panel/panel.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cassert>

namespace {

// Every mode binds its textures through this.
void BindTexture2D(uint32_t glName) { glBindTexture(GL_TEXTURE_2D, glName); }

// The panel to draw, or null when it is not a built panel of the table. Drawing
// one that was never built is a fault of the caller: caught in debug builds,
// skipped (nothing drawn) otherwise.
const Panel* PanelToDraw(const Scene& scene, int32_t number) {
    bool valid = number >= 0 && number < PANEL_SLOTS && IsBuiltPanel(scene.panels[number]);
    assert(valid && "drawing a panel that was never built");
    return valid ? &scene.panels[number] : nullptr;
}

uint32_t SlotTexture(const Scene& scene, int32_t number) { return scene.textures[number].glName; }

// At z = -1 (the near plane), x and y from -1 to 1 fill the viewport whatever
// its aspect. Panels on the near plane survive clipping through the depth
// clamp the window set-up enables.
void SetPanelCamera() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, 1.0, 1.0, 1000.0);
}

void SendVertex(const PanelVertex& vertex, float dx, float dy) {
    glTexCoord2f(vertex.u, vertex.v);
    glVertex3f(vertex.x + dx, vertex.y + dy, vertex.z);
}

// The cell whose first vertex is `first`, counter-clockwise for a panel built
// with increasing corners.
void SendCell(const Panel& panel, int32_t first, float dx, float dy) {
    const PanelVertex* v = panel.vertices;
    SendVertex(v[first], dx, dy);
    SendVertex(v[first + 1], dx, dy);
    SendVertex(v[first + panel.columns + 1], dx, dy);
    SendVertex(v[first + panel.columns], dx, dy);
}

void DrawGrid(const Scene& scene, int32_t number, float dx, float dy, float brightness, bool additive) {
    if (!(brightness > 0.0f)) return;
    const Panel* panel = PanelToDraw(scene, number);
    if (!panel) return;
    if (brightness > MAX_PANEL_BRIGHTNESS) brightness = MAX_PANEL_BRIGHTNESS;

    SetPanelCamera();
    BindTexture2D(SlotTexture(scene, panel->texture));
    glDisable(GL_CULL_FACE);
    glDepthFunc(GL_LEQUAL);
    if (additive) {
        // RGB textures sample with alpha 1: both factors are 1, the texel times
        // the brightness is added to the frame.
        glEnable(GL_BLEND);
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glBlendFunc(GL_SRC_ALPHA, GL_SRC_ALPHA);
    } else {
        // The texels replace the frame; no blend factors are set, since no draw
        // depends on them and GL 1.1 rejects GL_SRC_COLOR as a source factor.
        glDisable(GL_BLEND);
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    }
    glColor4f(brightness, brightness, brightness, 1.0f);
    glDepthMask(GL_FALSE);
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 0.0f);
    for (int32_t i = 0; i < panel->rows - 1; ++i)
        for (int32_t j = 0; j < panel->columns - 1; ++j) SendCell(*panel, i * panel->columns + j, dx, dy);
    glEnd();
    glDisable(GL_BLEND);
}

// One blended pass of the masked sprite over the panel's first cell.
void SendSpritePass(const Panel& panel, uint32_t texture, GLenum source, GLenum destination, float dx, float dy) {
    BindTexture2D(texture);
    glEnable(GL_BLEND);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBlendFunc(source, destination);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDepthMask(GL_FALSE);
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 0.0f);
    SendCell(panel, 0, dx, dy);
    glEnd();
}

void DrawClear(float red, float green, float blue, float alpha) {
    glClearColor(red, green, blue, alpha);
    glClearDepth(1.0);
    glDepthFunc(GL_LESS);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void DrawSprite(const Scene& scene, int32_t number, float dx, float dy) {
    const Panel* panel = PanelToDraw(scene, number);
    if (!panel) return;

    SetPanelCamera();
    glDisable(GL_CULL_FACE);
    glDepthFunc(GL_LEQUAL);

    // Black mask texels clear the frame under the sprite, white ones keep it;
    // then the sprite is added where the mask made room.
    SendSpritePass(*panel, SlotTexture(scene, SPRITE_MASK_TEXTURE), GL_ZERO, GL_SRC_COLOR, dx, dy);
    SendSpritePass(*panel, SlotTexture(scene, SPRITE_TEXTURE), GL_SRC_ALPHA, GL_SRC_ALPHA, dx, dy);
    glDisable(GL_BLEND);
}

void DrawFade(const Scene& scene, float level) {
    if (!(level < 1.0f)) return;

    glPushAttrib(GL_TEXTURE_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    // The model-view matrix is the identity every other mode leaves behind.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(90.0, 1.0, 1.0, 100000.0);
    BindTexture2D(SlotTexture(scene, FADE_TEXTURE));
    glDisable(GL_CULL_FACE);
    // The frame times the level, channel by channel.
    glEnable(GL_BLEND);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_BLEND);
    glBlendFunc(GL_ZERO, GL_SRC_COLOR);
    glColor4f(level, level, level, level);
    glDepthMask(GL_FALSE);
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-1.0f, -1.0f, -1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(1.0f, -1.0f, -1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(1.0f, 1.0f, -1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-1.0f, 1.0f, -1.0f);
    glEnd();
    glDisable(GL_BLEND);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

}  // namespace

void Draw(const Scene& scene, const DrawCall& call) {
    const float* v = call.values;
    switch (call.kind) {
    case DrawCall::CLEAR: DrawClear(v[0], v[1], v[2], v[3]); break;
    case DrawCall::GRID: DrawGrid(scene, call.panel, v[0], v[1], v[2], call.additive); break;
    case DrawCall::SPRITE: DrawSprite(scene, call.panel, v[0], v[1]); break;
    case DrawCall::FADE: DrawFade(scene, v[0]); break;
    }
}

void DrawFrameCalls(const Scene& scene, const DrawList& calls) {
    for (const DrawCall& call : calls) Draw(scene, call);
}
