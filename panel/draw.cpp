// Placeholder until the drawing modes land.
#include "panel/draw.h"

void BindTexture2D(uint32_t) {}
void DrawPanel(int32_t, float, bool) {}
void DrawPanelShifted(int32_t, float, float, float, bool) {}
void DrawMaskedSprite(int32_t, float, float) {}
void DrawFadeOverlay(float) {}
