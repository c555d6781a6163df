// The four ways a panel reaches the screen. Each sets up its own camera and GL state.
#pragma once

#include "panel/draw_call.h"

#include <cstdint>

struct Scene;

constexpr int32_t SPRITE_TEXTURE = 35;
constexpr int32_t SPRITE_MASK_TEXTURE = 36;
constexpr int32_t FADE_TEXTURE = 22;
constexpr float MAX_PANEL_BRIGHTNESS = 0.8f;

// Draws one call with the scene's panels and textures, now.
void Draw(const Scene& scene, const DrawCall& call);
// Draws a frame's calls in order.
void DrawFrameCalls(const Scene& scene, const DrawList& calls);
