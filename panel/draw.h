// The four ways a panel reaches the screen. Each sets up its own camera and GL state.
#pragma once

#include "panel/draw_call.h"
#include "panel/scene_table.h"

#include <cstdint>

struct Scene;

constexpr int32_t SPRITE_TEXTURE = SceneNumber(SceneRole::POINTER);
constexpr int32_t SPRITE_MASK_TEXTURE = SceneNumber(SceneRole::POINTER_MASK);
// Bound while texturing is off, so its texels never show; it has always been the
// last page button's.
constexpr int32_t FADE_TEXTURE = SceneNumber(SceneRole::BUTTON, SceneRoleCount(SceneRole::BUTTON) - 1);
constexpr float MAX_PANEL_BRIGHTNESS = 0.8f;

// Draws one call with the scene's panels and textures, now.
void Draw(const Scene& scene, const DrawCall& call);
// Draws a frame's calls in order.
void DrawFrameCalls(const Scene& scene, const DrawList& calls);
