// The four ways a panel reaches the screen. Each sets up its own camera and GL state.
#pragma once

#include <cstdint>

constexpr int32_t SPRITE_TEXTURE = 35;
constexpr int32_t SPRITE_MASK_TEXTURE = 36;
constexpr int32_t FADE_TEXTURE = 22;
constexpr float MAX_PANEL_BRIGHTNESS = 0.8f;

void DrawPanel(int32_t panel, float brightness, bool additive);
void DrawPanelShifted(int32_t panel, float dx, float dy, float brightness, bool additive);
void DrawMaskedSprite(int32_t panel, float dx, float dy);
void DrawFadeOverlay(float level);
