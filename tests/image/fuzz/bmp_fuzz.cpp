// libFuzzer target: any bytes through the decoder. A crash, a sanitizer report
// or a broken promise of DecodeBmp is a finding.
#include "image/bmp.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> file(data, size);
    RgbImage* image = nullptr;
    const BmpStatus status = DecodeBmp(file, &image);
    if (status == BmpStatus::OK) {
        if (!image || image->width <= 0 || image->height <= 0 || image->width > BMP_MAX_SIDE ||
            image->height > BMP_MAX_SIDE)
            std::abort();
        // The first and last bytes of the promised buffer must be there.
        const size_t bytes = size_t{3} * static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
        volatile uint8_t edge = image->pixels[0];
        edge = image->pixels[bytes - 1];
        (void)edge;
        FreeRgbImage(image);
    } else if (image) {
        std::abort();
    }
    (void)ReadBmpFacts(file);
    (void)CountPaletteColours(file);
    return 0;
}
