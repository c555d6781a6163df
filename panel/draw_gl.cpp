// The drawing modes in desktop GL's fixed-function state.
#include "panel/draw_modes.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace {

// Every mode binds its textures through this.
void BindTexture2D(uint32_t glName) { glBindTexture(GL_TEXTURE_2D, glName); }

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

}  // namespace

void DrawPanelCells(const Panel& panel, const TextureSlot& texture, float dx, float dy, float brightness,
                    bool additive, const PanelCover* /*cover*/) {
    SetPanelCamera();
    BindTexture2D(texture.glName);
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
    for (int32_t i = 0; i < panel.rows - 1; ++i)
        for (int32_t j = 0; j < panel.columns - 1; ++j) SendCell(panel, i * panel.columns + j, dx, dy);
    glEnd();
    glDisable(GL_BLEND);
}

namespace {

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

}  // namespace

void ClearFrame(float red, float green, float blue, float alpha) {
    glClearColor(red, green, blue, alpha);
    glClearDepth(1.0);
    glDepthFunc(GL_LESS);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void DrawMaskedSprite(const Panel& panel, uint32_t mask, uint32_t sprite, float dx, float dy) {
    SetPanelCamera();
    glDisable(GL_CULL_FACE);
    glDepthFunc(GL_LEQUAL);

    // Black mask texels clear the frame under the sprite, white ones keep it;
    // then the sprite is added where the mask made room.
    SendSpritePass(panel, mask, GL_ZERO, GL_SRC_COLOR, dx, dy);
    SendSpritePass(panel, sprite, GL_SRC_ALPHA, GL_SRC_ALPHA, dx, dy);
    glDisable(GL_BLEND);
}

void DrawFadeOverlay(uint32_t texture, float level) {
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
    BindTexture2D(texture);
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

