// Small BMP files put together in memory, for the tests, the fuzz seeds and the
// benchmark. The pixel bytes are given exactly as stored, fill included.
#pragma once

#include "tools/common/little_endian.h"

#include <algorithm>
#include <cstdint>
#include <vector>

struct BmpPieces {
    bool fileHeader = true;
    uint32_t headerSize = 40;        // 12 writes the core form; other sizes a 40-byte body padded out
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bitsPerPixel = 24;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    std::vector<uint32_t> palette;   // 0xRRGGBB, in the header kind's entry form
    std::vector<uint32_t> masks;     // right after the header
    std::vector<uint8_t> pixels;
    uint32_t gap = 0;                // bytes between the colour table and the pixels
};

inline void PutU16(std::vector<uint8_t>& out, uint32_t value) { PutLittleEndian(out, value, 2); }
inline void PutU32(std::vector<uint8_t>& out, uint32_t value) { PutLittleEndian(out, value, 4); }

inline std::vector<uint8_t> AssembleBmp(const BmpPieces& p) {
    std::vector<uint8_t> body;
    PutU32(body, p.headerSize);
    if (p.headerSize == 12) {
        PutU16(body, static_cast<uint32_t>(p.width));
        PutU16(body, static_cast<uint32_t>(p.height));
        PutU16(body, 1);
        PutU16(body, p.bitsPerPixel);
    } else {
        PutU32(body, static_cast<uint32_t>(p.width));
        PutU32(body, static_cast<uint32_t>(p.height));
        PutU16(body, 1);
        PutU16(body, p.bitsPerPixel);
        PutU32(body, p.compression);
        PutU32(body, static_cast<uint32_t>(p.pixels.size()));
        PutU32(body, 2835);
        PutU32(body, 2835);
        PutU32(body, p.coloursUsed);
        PutU32(body, 0);
        body.resize(std::max<size_t>(body.size(), p.headerSize), 0);
    }
    for (uint32_t mask : p.masks) PutU32(body, mask);
    for (uint32_t colour : p.palette) {
        body.push_back(static_cast<uint8_t>(colour));
        body.push_back(static_cast<uint8_t>(colour >> 8));
        body.push_back(static_cast<uint8_t>(colour >> 16));
        if (p.headerSize != 12) body.push_back(0);
    }
    body.resize(body.size() + p.gap, 0xEE);
    std::vector<uint8_t> file;
    if (p.fileHeader) {
        file = {'B', 'M'};
        PutU32(file, static_cast<uint32_t>(14 + body.size() + p.pixels.size()));
        PutU32(file, 0);
        PutU32(file, static_cast<uint32_t>(14 + body.size()));
    }
    file.insert(file.end(), body.begin(), body.end());
    file.insert(file.end(), p.pixels.begin(), p.pixels.end());
    return file;
}

// A width x height 24-bit picture whose pixel (x, y from the bottom) is
// colour(x, y) as 0xRRGGBB, rows filled to 4 bytes.
template <typename Colour>
std::vector<uint8_t> Assemble24(int32_t width, int32_t height, Colour colour) {
    BmpPieces p;
    p.width = width;
    p.height = height;
    const size_t stride = (3 * static_cast<size_t>(width) + 3) / 4 * 4;
    p.pixels.assign(stride * static_cast<size_t>(height), 0);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t c = colour(x, y);
            uint8_t* px = &p.pixels[static_cast<size_t>(y) * stride + 3 * static_cast<size_t>(x)];
            px[0] = static_cast<uint8_t>(c);
            px[1] = static_cast<uint8_t>(c >> 8);
            px[2] = static_cast<uint8_t>(c >> 16);
        }
    return AssembleBmp(p);
}
