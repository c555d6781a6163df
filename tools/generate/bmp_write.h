// Writing pictures as BMP files of the kinds the program's loader reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// 8-bit RGB, rows from the top.
struct RgbPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;
};

enum class BmpKind {
    RGB24,           // 40-byte header, 24 bits
    PALETTE8,        // 40-byte header, 8 bits, a table of just the colours used (colours-used set)
    PALETTE8_FULL,   // 40-byte header, 8 bits, 256 entries (colours-used 0)
    RLE8,            // 40-byte header, 8-bit run-length data
    PALETTE4,        // 40-byte header, 4 bits, 16 entries
    CORE8,           // 12-byte header, 8 bits, 256 three-byte entries
};

const char* BmpKindName(BmpKind kind);

// The file, with its 14-byte file header. Empty, with the reason in `error`,
// when a palette kind meets more colours than its table holds.
std::vector<uint8_t> EncodeBmp(const RgbPicture& picture, BmpKind kind, std::string& error);
