// The drawing modes each GL flavour implements (draw_gl.cpp for desktop GL,
// draw_webgl.cpp for WebGL); panel/draw.cpp checks a call and hands it here.
#pragma once

#include "panel/panel.h"

#include <cstdint>

// Colour to the colour, depth to the far plane.
void ClearFrame(float red, float green, float blue, float alpha);
// Every cell of the panel shifted by dx, dy; brightness from 0 (exclusive) to
// MAX_PANEL_BRIGHTNESS. Additive: the texels times the brightness are added to
// the frame (the texture's dark tiles may be left out); otherwise the texels replace it.
// `cover`: an opaque panel (shifted by dx, dy) that the frame draws right after this one, so
// that what it covers may be left out here.
struct PanelCover {
    const Panel* panel;
    float dx, dy;
};
void DrawPanelCells(const Panel& panel, const TextureSlot& texture, float dx, float dy, float brightness,
                    bool additive, const PanelCover* cover = nullptr);
// The panel's first cell twice: the mask times the frame, then the sprite added.
void DrawMaskedSprite(const Panel& panel, uint32_t mask, uint32_t sprite, float dx, float dy);
// The whole frame times the level (below 1); `texture` is bound but never sampled.
void DrawFadeOverlay(uint32_t texture, float level);
