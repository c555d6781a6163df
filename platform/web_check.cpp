// The browser platform for the page's deterministic mode: the headless extras (virtual
// clock, scripted keys, the frame read back) over the WebGL canvas.
#include "platform/headless.h"
#include "platform/platform.h"

#include "platform/web.h"

#include <GLES2/gl2.h>

#include <cmath>
#include <vector>

namespace {

double VirtualMilliseconds;
int64_t FramesPresented;
bool CloseRequested;

}  // namespace

void SetVirtualClock(double milliseconds) { VirtualMilliseconds = milliseconds; }
double VirtualClock() { return VirtualMilliseconds; }
void ScriptKey(int32_t virtualKey, bool down) { QueueKeyEvent(virtualKey, down); }
void ScriptCloseRequest() { CloseRequested = true; }
int64_t PresentedFrames() { return FramesPresented; }

void ReleaseAllKeys() {
    ForgetKeys();
    CloseRequested = false;
}

// WebGL reads RGBA only; the rows come bottom first, as GL counts.
void ReadFrameRgb(uint8_t* out, int32_t width, int32_t height) {
    static std::vector<uint8_t> rgba;
    rgba.resize(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t* from = rgba.data() + static_cast<size_t>(height - 1 - row) * width * 4;
        uint8_t* to = out + static_cast<size_t>(row) * width * 3;
        for (int32_t x = 0; x < width; ++x) {
            to[x * 3] = from[x * 4];
            to[x * 3 + 1] = from[x * 4 + 1];
            to[x * 3 + 2] = from[x * 4 + 2];
        }
    }
}

PumpResult PumpMessages() {
    if (CloseRequested) {
        CloseRequested = false;
        return PumpResult::CLOSE_REQUESTED;
    }
    ApplyQueuedKeys();
    return PumpResult::CONTINUE;
}

void PresentFrame() { ++FramesPresented; }

uint32_t TimeGetTime() { return static_cast<uint32_t>(static_cast<int64_t>(std::floor(VirtualMilliseconds))); }
