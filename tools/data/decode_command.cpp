// invitation-data decode IN.bmp OUT.ppm: a picture as the program reads it.
#include "tools/check/check.h"
#include "tools/data/commands.h"

#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

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
    // A PPM of that name stays as it was until the new one is complete.
    RemoveOutputsOnSignal();
    OutputFile out;
    std::string error;
    bool written = OpenOutputFile(out, argv[1], &error);
    if (written) {
        written = std::fprintf(out.stream, "P6\n%d %d\n255\n", image->width, image->height) > 0;
        const size_t rowBytes = size_t{3} * static_cast<size_t>(image->width);
        // The image keeps its bottom row first; a PPM starts at the top.
        for (int32_t row = image->height - 1; written && row >= 0; --row)
            written =
                std::fwrite(image->pixels + static_cast<size_t>(row) * rowBytes, 1, rowBytes, out.stream) == rowBytes;
        if (!written) error = "cannot write " + std::string(argv[1]) + ": " + std::strerror(errno);
        written = written && CommitOutputFile(out, &error);
    }
    FreeRgbImage(image);
    if (!written) {
        DiscardOutputFile(out);
        std::fprintf(stderr, "Error: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
