// The four ways a panel reaches the screen. Each sets up its own camera and GL state.
#pragma once

#include "panel/scene_table.h"

#include <cstdint>

constexpr int32_t SPRITE_TEXTURE = SceneNumber(SceneRole::POINTER);
constexpr int32_t SPRITE_MASK_TEXTURE = SceneNumber(SceneRole::POINTER_MASK);
// Bound while texturing is off, so its texels never show; it has always been the
// last page button's.
constexpr int32_t FADE_TEXTURE = SceneNumber(SceneRole::BUTTON, SceneRoleCount(SceneRole::BUTTON) - 1);
constexpr float MAX_PANEL_BRIGHTNESS = 0.8f;

// The frame's clear to one colour, depth to the far plane.
void ClearPanelFrame(float red, float green, float blue, float alpha);
void DrawPanel(int32_t panel, float brightness, bool additive);
void DrawPanelShifted(int32_t panel, float dx, float dy, float brightness, bool additive);
void DrawMaskedSprite(int32_t panel, float dx, float dy);
void DrawFadeOverlay(float level);

// Headless runs keep a frame's calls above and draw them together when the frame
// is presented, so that a frame whose calls equal the last one's (most of a
// show: a page being read) costs nothing to render. Off by default: calls draw
// at once.
void KeepFrameCalls(bool keep);
// Draws the calls kept since the last time, unless they equal the last frame's
// calls; true when they were drawn, false when the frame is the last one again.
bool DrawKeptFrame();
