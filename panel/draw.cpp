// The drawing calls checked and handed to the drawing modes of the GL flavour linked.
#include "panel/draw.h"

#include "panel/draw_modes.h"
#include "panel/panel.h"

#include <cassert>

namespace {

// The panel to draw, or null when it is not a built panel of the table. Drawing
// one that was never built is a fault of the caller: caught in debug builds,
// skipped (nothing drawn) otherwise.
const Panel* PanelToDraw(const Scene& scene, int32_t number) {
    bool valid = number >= 0 && number < PANEL_SLOTS && IsBuiltPanel(scene.panels[number]);
    assert(valid && "drawing a panel that was never built");
    return valid ? &scene.panels[number] : nullptr;
}

uint32_t SlotTexture(const Scene& scene, int32_t number) { return scene.textures[number].glName; }

void DrawGrid(const Scene& scene, int32_t number, float dx, float dy, float brightness, bool additive,
              const PanelCover* cover = nullptr) {
    if (!(brightness > 0.0f)) return;
    const Panel* panel = PanelToDraw(scene, number);
    if (!panel) return;
    if (brightness > MAX_PANEL_BRIGHTNESS) brightness = MAX_PANEL_BRIGHTNESS;
    DrawPanelCells(*panel, scene.textures[panel->texture], dx, dy, brightness, additive, cover);
}

// The panel an opaque grid call draws, when it will be drawn: what it covers of the call
// before need not be drawn there.
bool CoverOf(const Scene& scene, const DrawCall& call, PanelCover* cover) {
    if (call.kind != DrawCall::GRID || call.additive || !(call.values[2] > 0.0f)) return false;
    const Panel* panel = PanelToDraw(scene, call.panel);
    if (!panel) return false;
    *cover = {panel, call.values[0], call.values[1]};
    return true;
}

void DrawSprite(const Scene& scene, int32_t number, float dx, float dy) {
    const Panel* panel = PanelToDraw(scene, number);
    if (!panel) return;
    DrawMaskedSprite(*panel, SlotTexture(scene, SPRITE_MASK_TEXTURE), SlotTexture(scene, SPRITE_TEXTURE), dx, dy);
}

}  // namespace

void Draw(const Scene& scene, const DrawCall& call) {
    const float* v = call.values;
    switch (call.kind) {
    case DrawCall::CLEAR: ClearFrame(v[0], v[1], v[2], v[3]); break;
    case DrawCall::GRID: DrawGrid(scene, call.panel, v[0], v[1], v[2], call.additive); break;
    case DrawCall::SPRITE: DrawSprite(scene, call.panel, v[0], v[1]); break;
    case DrawCall::FADE:
        if (v[0] < 1.0f) DrawFadeOverlay(SlotTexture(scene, FADE_TEXTURE), v[0]);
        break;
    }
}

void DrawFrameCalls(const Scene& scene, const DrawList& calls) {
    for (int32_t i = 0; i < calls.count; ++i) {
        const DrawCall& call = calls.calls[i];
        PanelCover cover;
        if (call.kind == DrawCall::GRID && !call.additive && i + 1 < calls.count &&
            CoverOf(scene, calls.calls[i + 1], &cover)) {
            DrawGrid(scene, call.panel, call.values[0], call.values[1], call.values[2], false, &cover);
            continue;
        }
        Draw(scene, call);
    }
}
