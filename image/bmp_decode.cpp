// The BMP decoder proper: file bytes in, packed RGB rows out. No file system and
// no platform here, so that the fuzz target and the benchmark can take it alone.
//
// Nothing the file says is trusted: every size is checked against the bytes
// actually there before a single byte is read, and against fixed limits before
// anything of its size is allocated.
#include "image/bmp.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define BMP_X86 1
#endif

namespace {

constexpr size_t FILE_HEADER_SIZE = 14;
constexpr uint32_t CORE_HEADER_SIZE = 12;
constexpr uint32_t INFO_HEADER_SIZE = 40;
constexpr uint32_t MASKS_SIZE = 12;

constexpr uint32_t COMPRESSION_NONE = 0;
constexpr uint32_t COMPRESSION_RLE8 = 1;
constexpr uint32_t COMPRESSION_RLE4 = 2;
constexpr uint32_t COMPRESSION_BITFIELDS = 3;

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t ReadU32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Red, green, blue and a spare byte, so that an entry moves as one word.
using Palette = std::array<std::array<uint8_t, 4>, 256>;

// One colour channel of a bit-field pixel: mask, move down, widen to 8 bits.
struct Channel {
    uint32_t mask;
    uint32_t shift;          // to the mask's lowest bit
    uint32_t drop;           // further right shift of channels wider than 8 bits
    std::array<uint8_t, 256> widen;
};

// Everything the pixel loops need, read and checked from the headers.
struct Layout {
    int32_t width;
    int32_t rows;
    bool topDown;
    uint16_t bitsPerPixel;
    uint32_t compression;
    uint32_t masks[3];       // red, green, blue for 16 and 32 bits
    size_t pixelOffset;
    Palette palette;         // black past the file's own entries
};

// Repeats the value's bits downwards, so 0 stays 0 and the top value gives 255:
// five bits become (v << 3) | (v >> 2).
uint8_t WidenBits(uint32_t value, uint32_t bits) {
    uint32_t out = 0;
    for (int shift = 8 - static_cast<int>(bits); shift > -static_cast<int>(bits); shift -= static_cast<int>(bits))
        out |= shift >= 0 ? value << shift : value >> -shift;
    return static_cast<uint8_t>(out);
}

Channel MakeChannel(uint32_t mask) {
    Channel channel{mask, 0, 0, {}};
    if (mask == 0) return channel;   // a channel the file does not store is 0
    channel.shift = static_cast<uint32_t>(std::countr_zero(mask));
    uint32_t bits = 32 - static_cast<uint32_t>(std::countl_zero(mask)) - channel.shift;
    if (bits > 8) {
        channel.drop = bits - 8;
        bits = 8;
    }
    for (uint32_t v = 0; v < (1u << bits); ++v) channel.widen[v] = WidenBits(v, bits);
    return channel;
}

uint8_t ChannelValue(const Channel& channel, uint32_t pixel) {
    return channel.widen[((pixel & channel.mask) >> channel.shift) >> channel.drop];
}

#ifdef BMP_X86
bool Ssse3Available() {
    static const bool available = __builtin_cpu_supports("ssse3");
    return available;
}
#endif

void SwapRow24Scalar(const uint8_t* src, uint8_t* dst, size_t from, size_t bytes) {
    for (size_t i = from; i + 3 <= bytes; i += 3) {
        dst[i] = src[i + 2];
        dst[i + 1] = src[i + 1];
        dst[i + 2] = src[i];
    }
}

void SwapRow32Scalar(const uint8_t* src, uint8_t* dst, size_t fromPixel, size_t pixels) {
    for (size_t x = fromPixel; x < pixels; ++x) {
        dst[3 * x] = src[4 * x + 2];
        dst[3 * x + 1] = src[4 * x + 1];
        dst[3 * x + 2] = src[4 * x];
    }
}

#ifdef BMP_X86
// Five pixels per 16-byte step; the 16th byte stored is rewritten by the next
// step or by the scalar tail, so nothing outside the row is ever touched.
__attribute__((target("ssse3"))) void SwapRow24Ssse3(const uint8_t* src, uint8_t* dst, size_t bytes) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    size_t i = 0;
    for (; i + 61 <= bytes; i += 60) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 15));
        __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 30));
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 45));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_shuffle_epi8(a, order));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 15), _mm_shuffle_epi8(b, order));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 30), _mm_shuffle_epi8(c, order));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 45), _mm_shuffle_epi8(d, order));
    }
    for (; i + 16 <= bytes; i += 15) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_shuffle_epi8(a, order));
    }
    SwapRow24Scalar(src, dst, i, bytes);
}

// Four pixels in, twelve bytes out; the store's last four bytes are rewritten
// by the next step or the tail.
__attribute__((target("ssse3"))) void SwapRow32Ssse3(const uint8_t* src, uint8_t* dst, size_t pixels) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    size_t x = 0;
    for (; (x + 4) * 3 + 4 <= pixels * 3; x += 4) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * x), _mm_shuffle_epi8(a, order));
    }
    SwapRow32Scalar(src, dst, x, pixels);
}
#endif

void SwapRow24(const uint8_t* src, uint8_t* dst, size_t bytes) {
#ifdef BMP_X86
    if (Ssse3Available()) return SwapRow24Ssse3(src, dst, bytes);
#endif
    SwapRow24Scalar(src, dst, 0, bytes);
}

void SwapRow32(const uint8_t* src, uint8_t* dst, size_t pixels) {
#ifdef BMP_X86
    if (Ssse3Available()) return SwapRow32Ssse3(src, dst, pixels);
#endif
    SwapRow32Scalar(src, dst, 0, pixels);
}

// Writes the entry's spare byte too, onto the next pixel's first byte, which
// is written after this one; the last pixel of a row takes three bytes only.
void PutIndex(const Palette& palette, uint32_t index, uint8_t* dst, bool lastInRow) {
    std::memcpy(dst, palette[index].data(), lastInRow ? 3 : 4);
}

template <typename IndexAt>
void PaletteRow(const Palette& palette, size_t width, uint8_t* dst, IndexAt indexAt) {
    for (size_t x = 0; x + 1 < width; ++x) std::memcpy(dst + 3 * x, palette[indexAt(x)].data(), 4);
    std::memcpy(dst + 3 * (width - 1), palette[indexAt(width - 1)].data(), 3);
}

void IndexRow(const Layout& layout, const uint8_t* src, uint8_t* dst) {
    const size_t width = static_cast<size_t>(layout.width);
    switch (layout.bitsPerPixel) {
    case 1:
        PaletteRow(layout.palette, width, dst, [src](size_t x) { return (src[x >> 3] >> (7 - (x & 7))) & 1u; });
        break;
    case 4:
        PaletteRow(layout.palette, width, dst, [src](size_t x) { return (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15u; });
        break;
    default:
        PaletteRow(layout.palette, width, dst, [src](size_t x) { return src[x]; });
        break;
    }
}

void MaskedRow(const Layout& layout, const Channel (&channels)[3], const uint8_t* src, uint8_t* dst) {
    const size_t width = static_cast<size_t>(layout.width);
    const size_t step = layout.bitsPerPixel / 8;
    for (size_t x = 0; x < width; ++x) {
        uint32_t pixel = step == 2 ? ReadU16(src + 2 * x) : ReadU32(src + 4 * x);
        dst[3 * x] = ChannelValue(channels[0], pixel);
        dst[3 * x + 1] = ChannelValue(channels[1], pixel);
        dst[3 * x + 2] = ChannelValue(channels[2], pixel);
    }
}

bool IsPlain32(const Layout& layout) {
    return layout.bitsPerPixel == 32 && layout.masks[0] == 0xFF0000u && layout.masks[1] == 0xFF00u &&
           layout.masks[2] == 0xFFu;
}

void DecodeRows(const Layout& layout, std::span<const uint8_t> file, uint8_t* pixels) {
    const size_t width = static_cast<size_t>(layout.width);
    const size_t stride = (size_t{layout.bitsPerPixel} * width + 31) / 32 * 4;
    const size_t outStride = 3 * width;
    Channel channels[3] = {};
    const bool masked = layout.bitsPerPixel == 16 || (layout.bitsPerPixel == 32 && !IsPlain32(layout));
    if (masked)
        for (int c = 0; c < 3; ++c) channels[c] = MakeChannel(layout.masks[c]);
    for (int32_t row = 0; row < layout.rows; ++row) {
        const uint8_t* src = file.data() + layout.pixelOffset + static_cast<size_t>(row) * stride;
        const int32_t outRow = layout.topDown ? layout.rows - 1 - row : row;
        uint8_t* dst = pixels + static_cast<size_t>(outRow) * outStride;
        if (layout.bitsPerPixel == 24)
            SwapRow24(src, dst, outStride);
        else if (masked)
            MaskedRow(layout, channels, src, dst);
        else if (layout.bitsPerPixel == 32)
            SwapRow32(src, dst, width);
        else
            IndexRow(layout, src, dst);
    }
}

// The BMP run-length rules: a count and a colour byte repeat it; a zero count
// escapes to end of line (0), end of picture (1), a delta move (2, then right
// and up) or a literal run of that many indices padded to a 16-bit boundary.
// Pixels beyond the right edge are dropped; pixels never reached stay black
// (the buffer comes zeroed). Data that ends before the picture does is a
// truncated file.
BmpStatus DecodeRunLengths(const Layout& layout, std::span<const uint8_t> file, uint8_t* pixels) {
    const bool four = layout.compression == COMPRESSION_RLE4;
    const uint32_t width = static_cast<uint32_t>(layout.width);
    const uint32_t rows = static_cast<uint32_t>(layout.rows);
    const uint8_t* data = file.data();
    const size_t end = file.size();
    size_t pos = layout.pixelOffset;
    uint32_t x = 0, y = 0;
    auto put = [&](uint32_t index) {
        PutIndex(layout.palette, index, pixels + (size_t{y} * width + x) * 3, x + 1 == width);
        ++x;
    };
    for (;;) {
        if (y >= rows) return BmpStatus::OK;
        if (pos > end || end - pos < 2) return BmpStatus::TRUNCATED;
        const uint32_t count = data[pos];
        const uint8_t code = data[pos + 1];
        pos += 2;
        if (count > 0) {
            const uint32_t drawn = std::min(count, width - x);
            for (uint32_t i = 0; i < drawn; ++i) put(four ? ((i & 1) ? code & 15u : code >> 4) : code);
            x = std::min(x + (count - drawn), width);
        } else if (code == 0) {
            x = 0;
            ++y;
        } else if (code == 1) {
            return BmpStatus::OK;
        } else if (code == 2) {
            if (end - pos < 2) return BmpStatus::TRUNCATED;
            x = std::min(x + data[pos], width);
            y += data[pos + 1];
            pos += 2;
        } else {
            const size_t bytes = four ? (code + 1u) / 2 : code;
            if (end - pos < bytes) return BmpStatus::TRUNCATED;
            const uint32_t drawn = std::min<uint32_t>(code, width - x);
            for (uint32_t i = 0; i < drawn; ++i)
                put(four ? (data[pos + i / 2] >> ((i & 1) ? 0 : 4)) & 15u : data[pos + i]);
            x = std::min<uint32_t>(x + (code - drawn), width);
            pos += bytes + (bytes & 1);   // may step one past the end; caught above
        }
    }
}

bool DecodableKind(uint16_t bits, uint32_t compression) {
    switch (compression) {
    case COMPRESSION_NONE:
        return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case COMPRESSION_RLE8: return bits == 8;
    case COMPRESSION_RLE4: return bits == 4;
    case COMPRESSION_BITFIELDS: return bits == 16 || bits == 32;
    default: return false;
    }
}

BmpStatus ReadLayout(std::span<const uint8_t> file, Layout& layout) {
    const size_t size = file.size();
    const uint8_t* bytes = file.data();
    size_t headerStart = 0;
    bool offsetKnown = false;
    if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        if (size < FILE_HEADER_SIZE) return BmpStatus::TRUNCATED;
        headerStart = FILE_HEADER_SIZE;
        layout.pixelOffset = ReadU32(bytes + 10);
        offsetKnown = true;
    }
    if (size - headerStart < 4) return BmpStatus::TRUNCATED;
    const uint8_t* header = bytes + headerStart;
    const uint32_t headerSize = ReadU32(header);
    if (headerSize != CORE_HEADER_SIZE && headerSize != INFO_HEADER_SIZE) return BmpStatus::UNKNOWN_HEADER;
    if (size - headerStart < headerSize) return BmpStatus::TRUNCATED;
    const bool core = headerSize == CORE_HEADER_SIZE;

    if (core) {
        layout.width = ReadU16(header + 4);
        layout.rows = ReadU16(header + 6);
        layout.topDown = false;
        layout.bitsPerPixel = ReadU16(header + 10);
        layout.compression = COMPRESSION_NONE;
    } else {
        layout.width = static_cast<int32_t>(ReadU32(header + 4));
        const int32_t height = static_cast<int32_t>(ReadU32(header + 8));
        layout.topDown = height < 0;
        // Beyond the limit either way; keeps -INT32_MIN out of the arithmetic.
        layout.rows = height == INT32_MIN ? INT32_MAX : (height < 0 ? -height : height);
        layout.bitsPerPixel = ReadU16(header + 14);
        layout.compression = ReadU32(header + 16);
    }

    if (layout.width <= 0 || layout.rows == 0) return BmpStatus::BAD_SIZE;
    if (layout.width > BMP_MAX_SIDE || layout.rows > BMP_MAX_SIDE) return BmpStatus::TOO_LARGE;
    if (size_t{3} * static_cast<size_t>(layout.width) * static_cast<size_t>(layout.rows) > BMP_MAX_PIXEL_BYTES)
        return BmpStatus::TOO_LARGE;
    if (!DecodableKind(layout.bitsPerPixel, layout.compression)) return BmpStatus::UNSUPPORTED;
    // Run-length pictures are bottom-up by definition.
    if (layout.topDown && (layout.compression == COMPRESSION_RLE8 || layout.compression == COMPRESSION_RLE4))
        return BmpStatus::UNSUPPORTED;

    size_t tableStart = headerStart + headerSize;
    if (layout.bitsPerPixel == 16) {
        layout.masks[0] = 0x7C00u;
        layout.masks[1] = 0x03E0u;
        layout.masks[2] = 0x001Fu;
    } else {
        layout.masks[0] = 0xFF0000u;
        layout.masks[1] = 0xFF00u;
        layout.masks[2] = 0xFFu;
    }
    if (layout.compression == COMPRESSION_BITFIELDS) {
        if (size - tableStart < MASKS_SIZE) return BmpStatus::TRUNCATED;
        for (int c = 0; c < 3; ++c) layout.masks[c] = ReadU32(bytes + tableStart + 4 * c);
        tableStart += MASKS_SIZE;
    }

    const uint16_t colours = CountPaletteColours(file.subspan(headerStart, headerSize));
    const size_t entrySize = core ? 3 : 4;
    const size_t tableBytes = entrySize * colours;
    if (size - tableStart < tableBytes) return BmpStatus::TRUNCATED;
    for (size_t i = 0; i < std::min<size_t>(colours, 256); ++i) {
        const uint8_t* entry = bytes + tableStart + entrySize * i;
        layout.palette[i] = {entry[2], entry[1], entry[0], 0};
    }
    if (!offsetKnown) layout.pixelOffset = tableStart + tableBytes;
    if (layout.pixelOffset > size) return BmpStatus::TRUNCATED;

    if (layout.compression == COMPRESSION_NONE || layout.compression == COMPRESSION_BITFIELDS) {
        // The last row needs its pixels, not its fill.
        const size_t width = static_cast<size_t>(layout.width);
        const size_t stride = (size_t{layout.bitsPerPixel} * width + 31) / 32 * 4;
        const size_t lastRow = (size_t{layout.bitsPerPixel} * width + 7) / 8;
        const size_t needed = stride * static_cast<size_t>(layout.rows - 1) + lastRow;
        if (size - layout.pixelOffset < needed) return BmpStatus::TRUNCATED;
    }
    return BmpStatus::OK;
}

}  // namespace

uint16_t CountPaletteColours(std::span<const uint8_t> header) {
    if (header.size() < 4) return 0;
    uint16_t bits = 0;
    if (ReadU32(header.data()) == CORE_HEADER_SIZE) {
        if (header.size() >= 12) bits = ReadU16(header.data() + 10);
    } else {
        const uint32_t used = header.size() >= 36 ? ReadU32(header.data() + 32) : 0;
        if (used != 0) return static_cast<uint16_t>(used & 0xFFFFu);
        if (header.size() >= 16) bits = ReadU16(header.data() + 14);
    }
    switch (bits) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

BmpFacts ReadBmpFacts(std::span<const uint8_t> file) {
    BmpFacts facts{};
    size_t headerStart = 0;
    if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M') {
        facts.fileHeader = true;
        headerStart = FILE_HEADER_SIZE;
    }
    if (file.size() < headerStart + 4) return facts;
    const uint8_t* header = file.data() + headerStart;
    facts.headerSize = ReadU32(header);
    const size_t available = file.size() - headerStart;
    if (facts.headerSize == CORE_HEADER_SIZE) {
        if (available < CORE_HEADER_SIZE) return facts;
        facts.width = ReadU16(header + 4);
        facts.height = ReadU16(header + 6);
        facts.bitsPerPixel = ReadU16(header + 10);
        facts.fieldsRead = true;
    } else {
        // Larger headers begin as the 40-byte one does.
        if (facts.headerSize < INFO_HEADER_SIZE || available < INFO_HEADER_SIZE) return facts;
        facts.width = static_cast<int32_t>(ReadU32(header + 4));
        facts.height = static_cast<int32_t>(ReadU32(header + 8));
        facts.bitsPerPixel = ReadU16(header + 14);
        facts.compression = ReadU32(header + 16);
        facts.fieldsRead = true;
    }
    facts.colourCount = CountPaletteColours(file.subspan(headerStart, std::min<size_t>(available, facts.headerSize)));
    return facts;
}

BmpStatus DecodeBmp(std::span<const uint8_t> file, RgbImage** image) {
    *image = nullptr;
    Layout layout{};
    BmpStatus status = ReadLayout(file, layout);
    if (status != BmpStatus::OK) return status;

    const size_t bytes = size_t{3} * static_cast<size_t>(layout.width) * static_cast<size_t>(layout.rows);
    const bool runLengths =
        layout.compression == COMPRESSION_RLE8 || layout.compression == COMPRESSION_RLE4;
    uint8_t* pixels = static_cast<uint8_t*>(runLengths ? std::calloc(bytes, 1) : std::malloc(bytes));
    if (!pixels) return BmpStatus::OUT_OF_MEMORY;
    if (runLengths) {
        status = DecodeRunLengths(layout, file, pixels);
        if (status != BmpStatus::OK) {
            std::free(pixels);
            return status;
        }
    } else {
        DecodeRows(layout, file, pixels);
    }
    auto* record = static_cast<RgbImage*>(std::malloc(sizeof(RgbImage)));
    if (!record) {
        std::free(pixels);
        return BmpStatus::OUT_OF_MEMORY;
    }
    *record = {layout.width, layout.rows, pixels};
    *image = record;
    return BmpStatus::OK;
}

void FreeRgbImage(RgbImage* image) {
    if (!image) return;
    std::free(image->pixels);
    std::free(image);
}
