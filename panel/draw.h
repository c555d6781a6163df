// The four ways a panel reaches the screen. Each sets up its own camera and GL state.
#pragma once

#include <cstdint>

constexpr int32_t SPRITE_TEXTURE = 35;
constexpr int32_t SPRITE_MASK_TEXTURE = 36;
constexpr int32_t FADE_TEXTURE = 22;
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
