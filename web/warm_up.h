// Every picture and drawing state used once before the show: a browser's GL compiles
// and uploads on first use, which would otherwise cost the show's first frames.
#pragma once

struct Scene;

// Draws every built panel in each mode, the pointer and the fade, then clears to black
// and sends it all to the GL without waiting.
void WarmUp(const Scene& scene);

// Waits until the GL has done everything sent before.
void WaitForWarmUp();
