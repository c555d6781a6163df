// Placeholder until the loader lands: every load fails.
#include "image/bmp.h"

#include "platform/platform.h"

#include <cstdlib>

RgbImage* LoadBmpImage(const char* /*path*/) {
    ShowMessage("Image file conversion error.", MessageIcon::NONE);
    return nullptr;
}

void FreeRgbImage(RgbImage* image) {
    if (!image) return;
    std::free(image->pixels);
    std::free(image);
}
