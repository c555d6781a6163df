// Writing pictures as BMP files of the kinds the program's loader reads.
#include "tools/generate/bmp_write.h"

#include "tools/common/little_endian.h"

#include <algorithm>
#include <cstddef>
#include <map>

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t value) { PutLittleEndian(out, value, 2); }
void Put32(std::vector<uint8_t>& out, uint32_t value) { PutLittleEndian(out, value, 4); }

uint32_t ColourAt(const RgbPicture& picture, size_t pixel) {
    const uint8_t* p = &picture.rgb[pixel * 3];
    return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
}

// The table in ascending colour order, so the same picture always gives the same file.
std::vector<uint32_t> PaletteOf(const RgbPicture& picture) {
    std::vector<uint32_t> colours;
    size_t count = static_cast<size_t>(picture.width) * picture.height;
    colours.reserve(count);
    for (size_t i = 0; i < count; ++i) colours.push_back(ColourAt(picture, i));
    std::sort(colours.begin(), colours.end());
    colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
    return colours;
}

// Indices per row, bottom row first.
std::vector<std::vector<uint8_t>> IndexRows(const RgbPicture& picture, const std::vector<uint32_t>& palette) {
    std::map<uint32_t, uint8_t> index;
    for (size_t i = 0; i < palette.size(); ++i) index[palette[i]] = static_cast<uint8_t>(i);
    std::vector<std::vector<uint8_t>> rows(picture.height);
    for (int32_t r = 0; r < picture.height; ++r) {
        int32_t source = picture.height - 1 - r;
        rows[r].resize(picture.width);
        for (int32_t c = 0; c < picture.width; ++c)
            rows[r][c] = index.at(ColourAt(picture, static_cast<size_t>(source) * picture.width + c));
    }
    return rows;
}

// One row in BMP run-length form: runs of equal indices as (count, index);
// stretches without runs as absolute groups of at least three, padded to a word.
void EncodeRleRow(const std::vector<uint8_t>& row, std::vector<uint8_t>& out) {
    size_t i = 0, n = row.size();
    auto runAt = [&](size_t at) {
        size_t end = at;
        while (end < n && row[end] == row[at] && end - at < 255) ++end;
        return end - at;
    };
    while (i < n) {
        size_t run = runAt(i);
        if (run >= 3 || n - i < 3) {
            // A short tail goes as runs: absolute groups need three indices.
            run = std::max<size_t>(run, 1);
            out.push_back(static_cast<uint8_t>(run));
            out.push_back(row[i]);
            i += run;
            continue;
        }
        size_t end = i;
        while (end < n && end - i < 255 && runAt(end) < 3) ++end;
        size_t length = end - i;
        if (length < 3) {
            for (size_t k = i; k < end; ++k) {
                out.push_back(1);
                out.push_back(row[k]);
            }
        } else {
            out.push_back(0);
            out.push_back(static_cast<uint8_t>(length));
            out.insert(out.end(), row.begin() + static_cast<ptrdiff_t>(i), row.begin() + static_cast<ptrdiff_t>(end));
            if (length % 2) out.push_back(0);
        }
        i = end;
    }
}

}  // namespace

const char* BmpKindName(BmpKind kind) {
    switch (kind) {
    case BmpKind::RGB24: return "24-bit";
    case BmpKind::PALETTE8: return "8-bit palette";
    case BmpKind::PALETTE8_FULL: return "8-bit palette of 256";
    case BmpKind::RLE8: return "8-bit run-length";
    case BmpKind::PALETTE4: return "4-bit palette";
    case BmpKind::CORE8: return "8-bit, 12-byte header";
    }
    return "?";
}

std::vector<uint8_t> EncodeBmp(const RgbPicture& picture, BmpKind kind, std::string& error) {
    std::vector<uint8_t> out;
    int bits = kind == BmpKind::RGB24 ? 24 : kind == BmpKind::PALETTE4 ? 4 : 8;
    std::vector<uint32_t> palette;
    size_t tableEntries = 0;
    if (kind != BmpKind::RGB24) {
        palette = PaletteOf(picture);
        size_t room = bits == 4 ? 16 : 256;
        if (palette.size() > room) {
            error = std::to_string(palette.size()) + " colours do not fit a " + BmpKindName(kind) + " table";
            return {};
        }
        tableEntries = kind == BmpKind::PALETTE8 ? palette.size() : room;
        palette.resize(tableEntries, 0);
    }
    bool core = kind == BmpKind::CORE8;
    uint32_t headerSize = core ? 12 : 40;
    uint32_t entrySize = core ? 3 : 4;
    uint32_t pixelOffset = 14 + headerSize + entrySize * static_cast<uint32_t>(tableEntries);

    // File header; the file size is patched in at the end.
    out.push_back('B');
    out.push_back('M');
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, pixelOffset);
    size_t imageSizeAt = 0;
    if (core) {
        Put32(out, 12);
        Put16(out, static_cast<uint32_t>(picture.width));
        Put16(out, static_cast<uint32_t>(picture.height));
        Put16(out, 1);
        Put16(out, static_cast<uint32_t>(bits));
    } else {
        Put32(out, 40);
        Put32(out, static_cast<uint32_t>(picture.width));
        Put32(out, static_cast<uint32_t>(picture.height));
        Put16(out, 1);
        Put16(out, static_cast<uint32_t>(bits));
        Put32(out, kind == BmpKind::RLE8 ? 1 : 0);
        imageSizeAt = out.size();
        Put32(out, 0);
        Put32(out, 2835);   // 72 dots per inch
        Put32(out, 2835);
        Put32(out, kind == BmpKind::PALETTE8 ? static_cast<uint32_t>(tableEntries) : 0);
        Put32(out, 0);
    }
    for (uint32_t colour : palette) {
        out.push_back(static_cast<uint8_t>(colour));
        out.push_back(static_cast<uint8_t>(colour >> 8));
        out.push_back(static_cast<uint8_t>(colour >> 16));
        if (!core) out.push_back(0);
    }
    size_t pixelStart = out.size();
    if (kind == BmpKind::RGB24) {
        for (int32_t r = picture.height - 1; r >= 0; --r) {
            for (int32_t c = 0; c < picture.width; ++c) {
                const uint8_t* p = &picture.rgb[(static_cast<size_t>(r) * picture.width + c) * 3];
                out.push_back(p[2]);
                out.push_back(p[1]);
                out.push_back(p[0]);
            }
            while ((out.size() - pixelStart) % 4) out.push_back(0);
        }
    } else {
        auto rows = IndexRows(picture, palette);
        for (size_t r = 0; r < rows.size(); ++r) {
            const auto& row = rows[r];
            if (kind == BmpKind::RLE8) {
                EncodeRleRow(row, out);
                out.push_back(0);
                out.push_back(r + 1 < rows.size() ? 0 : 1);   // end of line, or of the picture
                continue;
            }
            size_t rowStart = out.size();
            if (bits == 8) {
                out.insert(out.end(), row.begin(), row.end());
            } else {
                for (size_t c = 0; c < row.size(); c += 2) {
                    uint8_t high = row[c], low = c + 1 < row.size() ? row[c + 1] : 0;
                    out.push_back(static_cast<uint8_t>((high << 4) | low));
                }
            }
            while ((out.size() - rowStart) % 4) out.push_back(0);
        }
    }
    if (imageSizeAt) PatchLittleEndian(out, imageSizeAt, static_cast<uint32_t>(out.size() - pixelStart), 4);
    PatchLittleEndian(out, 2, static_cast<uint32_t>(out.size()), 4);
    return out;
}
