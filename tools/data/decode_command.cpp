// invitation-data decode IN.bmp OUT.ppm: a picture as the program reads it.
#include "tools/check/check.h"
#include "tools/data/commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

int RunDataDecode(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: invitation-data decode IN.bmp OUT.ppm\n");
        return 2;
    }
    RgbImage* image = nullptr;
    const BmpStatus status = ReadBmpFile(argv[0], &image);
    if (status != BmpStatus::OK) {
        std::fprintf(stderr, "Error: %s\n", BmpMessageLine(status, argv[0]).c_str());
        return 1;
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    bool written = out != nullptr;
    if (out) {
        written = std::fprintf(out, "P6\n%d %d\n255\n", image->width, image->height) > 0;
        const size_t rowBytes = size_t{3} * static_cast<size_t>(image->width);
        // The image keeps its bottom row first; a PPM starts at the top.
        for (int32_t row = image->height - 1; written && row >= 0; --row)
            written = std::fwrite(image->pixels + static_cast<size_t>(row) * rowBytes, 1, rowBytes, out) == rowBytes;
        written = std::fclose(out) == 0 && written;
    }
    FreeRgbImage(image);
    if (!written) {
        std::fprintf(stderr, "Error: cannot write %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    return 0;
}
