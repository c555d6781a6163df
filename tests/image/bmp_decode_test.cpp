// The decoder on small files written out byte by byte: every kind it reads,
// and every way a file can be refused.
#include "image/bmp.h"
#include "tests/image/bmp_bytes.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

// 0xRRGGBB colours to the bytes an RgbImage holds.
std::vector<uint8_t> Rgb(std::initializer_list<uint32_t> colours) {
    std::vector<uint8_t> bytes;
    for (uint32_t c : colours) {
        bytes.push_back(static_cast<uint8_t>(c >> 16));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
        bytes.push_back(static_cast<uint8_t>(c));
    }
    return bytes;
}

std::vector<uint32_t> Ramp(int count, uint32_t step, uint32_t base) {
    std::vector<uint32_t> colours;
    for (int i = 0; i < count; ++i) colours.push_back(base + step * static_cast<uint32_t>(i));
    return colours;
}

const std::vector<uint32_t> PAL2 = {0x112233, 0xAABBCC};
const std::vector<uint32_t> PAL4 = {0x102030, 0x405060, 0x708090, 0xA0B0C0};
const std::vector<uint32_t> PAL16 = Ramp(16, 0x101010, 0x010203);
const std::vector<uint32_t> PAL17 = Ramp(17, 1, 0x0A0000);
const std::vector<uint32_t> PAL256 = Ramp(256, 0x010101, 0);

struct DecodeCase {
    const char* name;
    BmpPieces pieces;
    int32_t width;
    int32_t height;
    std::vector<uint8_t> expected;   // bottom row first
};

std::vector<DecodeCase> DecodeCases() {
    std::vector<DecodeCase> cases;
    {
        BmpPieces p;
        p.width = 3, p.height = 2;
        p.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0xEE, 0xEE, 0xEE, 10, 11, 12, 13, 14, 15, 16, 17, 18, 0xEE, 0xEE, 0xEE};
        cases.push_back({"24 bits, 3 wide: 9 bytes and 3 of fill per row in, none out", p, 3, 2,
                         Rgb({0x030201, 0x060504, 0x090807, 0x0C0B0A, 0x0F0E0D, 0x121110})});
    }
    {
        BmpPieces p;
        p.width = 4, p.height = 1;
        p.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        cases.push_back({"24 bits, 4 wide: no fill", p, 4, 1, Rgb({0x030201, 0x060504, 0x090807, 0x0C0B0A})});
    }
    {
        // Wide enough for the vector path and its tail.
        BmpPieces p;
        p.width = 23, p.height = 1;
        for (int i = 0; i < 69; ++i) p.pixels.push_back(static_cast<uint8_t>(i));
        p.pixels.resize(72, 0xEE);
        std::vector<uint8_t> expected;
        for (int x = 0; x < 23; ++x)
            for (int c = 2; c >= 0; --c) expected.push_back(static_cast<uint8_t>(3 * x + c));
        cases.push_back({"24 bits, 23 wide", p, 23, 1, expected});
    }
    {
        BmpPieces p;
        p.fileHeader = false;
        p.width = 1, p.height = 2;
        p.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
        cases.push_back({"24 bits without file header", p, 1, 2, Rgb({0x030201, 0x060504})});
    }
    {
        BmpPieces p;
        p.width = 1, p.height = -2;
        p.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
        cases.push_back({"rows stored top-down come out bottom-up with a positive height", p, 1, 2,
                         Rgb({0x060504, 0x030201})});
    }
    {
        BmpPieces p;
        p.width = 10, p.height = 1, p.bitsPerPixel = 1, p.palette = PAL2;
        p.pixels = {0b10110000, 0b01000000, 0, 0};
        cases.push_back({"1 bit, most significant bit first", p, 10, 1,
                         Rgb({0xAABBCC, 0x112233, 0xAABBCC, 0xAABBCC, 0x112233, 0x112233, 0x112233, 0x112233,
                              0x112233, 0xAABBCC})});
    }
    {
        BmpPieces p;
        p.width = 3, p.height = 1, p.bitsPerPixel = 4, p.palette = PAL16;
        p.pixels = {0x1F, 0x30, 0, 0};
        cases.push_back({"4 bits, high nibble first", p, 3, 1, Rgb({0x111213, 0xF1F2F3, 0x313233})});
    }
    {
        BmpPieces p;
        p.fileHeader = false;
        p.width = 3, p.height = 1, p.bitsPerPixel = 8, p.coloursUsed = 17, p.palette = PAL17;
        p.pixels = {16, 17, 255, 0};
        cases.push_back({"8 bits, colours-used 17, no file header: pixels right after 17 entries, "
                         "indices past the table black",
                         p, 3, 1, Rgb({0x0A0010, 0, 0})});
    }
    {
        BmpPieces p;
        p.fileHeader = false;
        p.width = 3, p.height = 1, p.bitsPerPixel = 8, p.palette = PAL256;
        p.pixels = {0, 200, 255, 0};
        cases.push_back({"8 bits, colours-used 0: a table of 256", p, 3, 1, Rgb({0x000000, 0xC8C8C8, 0xFFFFFF})});
    }
    {
        BmpPieces p;
        p.width = 1, p.height = 1, p.bitsPerPixel = 8, p.coloursUsed = 2, p.palette = PAL2, p.gap = 5;
        p.pixels = {1, 0, 0, 0};
        cases.push_back({"the file header's pixel offset is honoured over a gap", p, 1, 1, Rgb({0xAABBCC})});
    }
    {
        BmpPieces p;
        p.headerSize = 12, p.width = 2, p.height = 1, p.bitsPerPixel = 8, p.palette = PAL256;
        p.pixels = {7, 9, 0, 0};
        cases.push_back({"core header, 8 bits, 3-byte entries", p, 2, 1, Rgb({0x070707, 0x090909})});
    }
    {
        BmpPieces p;
        p.headerSize = 12, p.fileHeader = false, p.width = 1, p.height = 2;
        p.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
        cases.push_back({"core header, 24 bits, no file header", p, 1, 2, Rgb({0x030201, 0x060504})});
    }
    {
        BmpPieces p;
        p.width = 4, p.height = 1, p.bitsPerPixel = 16;
        p.pixels = {0xFF, 0x7F, 0x00, 0x7C, 0x10, 0x02, 0x00, 0x80};
        cases.push_back({"16 bits 5-5-5: (v << 3) | (v >> 2), bit 15 unused", p, 4, 1,
                         Rgb({0xFFFFFF, 0xFF0000, 0x008484, 0x000000})});
    }
    {
        BmpPieces p;
        p.width = 2, p.height = 1, p.bitsPerPixel = 16, p.compression = 3, p.masks = {0xF800, 0x07E0, 0x001F};
        p.pixels = {0xE0, 0x07, 0x21, 0x08};
        cases.push_back({"16 bits with 5-6-5 masks", p, 2, 1, Rgb({0x00FF00, 0x080408})});
    }
    {
        BmpPieces p;
        p.width = 2, p.height = 1, p.bitsPerPixel = 32;
        p.pixels = {1, 2, 3, 0xFF, 4, 5, 6, 0x77};
        cases.push_back({"32 bits, fourth byte ignored", p, 2, 1, Rgb({0x030201, 0x060504})});
    }
    {
        BmpPieces p;
        p.width = 5, p.height = 1, p.bitsPerPixel = 32;
        for (int i = 0; i < 20; ++i) p.pixels.push_back(static_cast<uint8_t>(i));
        cases.push_back({"32 bits, 5 wide", p, 5, 1,
                         Rgb({0x020100, 0x060504, 0x0A0908, 0x0E0D0C, 0x121110})});
    }
    {
        BmpPieces p;
        p.width = 1, p.height = 1, p.bitsPerPixel = 32, p.compression = 3, p.masks = {0xFF, 0xFF00, 0xFF0000};
        p.pixels = {1, 2, 3, 0};
        cases.push_back({"32 bits with masks, red in the low byte", p, 1, 1, Rgb({0x010203})});
    }
    {
        BmpPieces p;
        p.width = 4, p.height = 3, p.bitsPerPixel = 8, p.compression = 1, p.coloursUsed = 4, p.palette = PAL4;
        p.pixels = {2, 1,                 // run of two 1s
                    0, 3, 2, 3, 0, 0,     // literal 2 3 0 and its pad; the 0 falls off the right edge
                    0, 0,                 // end of line
                    0, 2, 1, 0,           // delta one right
                    1, 2,                 // one 2
                    0, 2, 0, 1,           // delta one up
                    2, 3,                 // two 3s
                    0, 1};                // end of picture
        cases.push_back({"RLE8: runs, literal, clipping, delta, end of line and picture; unset pixels black",
                         p, 4, 3,
                         Rgb({0x405060, 0x405060, 0x708090, 0xA0B0C0, 0, 0x708090, 0, 0, 0, 0, 0xA0B0C0,
                              0xA0B0C0})});
    }
    {
        BmpPieces p;
        p.width = 5, p.height = 2, p.bitsPerPixel = 4, p.compression = 2, p.palette = PAL16;
        p.pixels = {5, 0x12,                          // 1 2 1 2 1
                    0, 0,                             // end of line
                    0, 5, 0x34, 0x56, 0x70, 0x00,     // literal of five nibbles, padded
                    0, 1};
        cases.push_back({"RLE4: alternating run, odd literal", p, 5, 2,
                         Rgb({PAL16[1], PAL16[2], PAL16[1], PAL16[2], PAL16[1], PAL16[3], PAL16[4], PAL16[5],
                              PAL16[6], PAL16[7]})});
    }
    {
        BmpPieces p;
        p.width = 2, p.height = 2, p.bitsPerPixel = 8, p.compression = 1, p.palette = PAL256;
        p.pixels = {2, 5, 0, 0, 2, 6, 0, 0};
        cases.push_back({"RLE8 without end-of-picture mark, complete after the last line", p, 2, 2,
                         Rgb({0x050505, 0x050505, 0x060606, 0x060606})});
    }
    return cases;
}

TEST(BmpDecode, DecodesEveryKind) {
    for (const DecodeCase& c : DecodeCases()) {
        SCOPED_TRACE(c.name);
        RgbImage* image = nullptr;
        ASSERT_EQ(DecodeBmp(AssembleBmp(c.pieces), &image), BmpStatus::OK);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->width, c.width);
        EXPECT_EQ(image->height, c.height);
        const std::vector<uint8_t> pixels(image->pixels, image->pixels + c.expected.size());
        EXPECT_EQ(pixels, c.expected);
        FreeRgbImage(image);
    }
}

TEST(BmpDecode, CoreHeaderGivesTheSamePictureAsInfoHeader) {
    BmpPieces info;
    info.width = 3, info.height = 2, info.bitsPerPixel = 4, info.palette = PAL16;
    info.pixels = {0x01, 0x20, 0, 0, 0xFE, 0xD0, 0, 0};
    BmpPieces core = info;
    core.headerSize = 12;
    core.fileHeader = false;   // pixels right after the 16 three-byte entries
    RgbImage* a = nullptr;
    RgbImage* b = nullptr;
    ASSERT_EQ(DecodeBmp(AssembleBmp(info), &a), BmpStatus::OK);
    ASSERT_EQ(DecodeBmp(AssembleBmp(core), &b), BmpStatus::OK);
    EXPECT_EQ(std::vector<uint8_t>(a->pixels, a->pixels + 18), std::vector<uint8_t>(b->pixels, b->pixels + 18));
    EXPECT_EQ(std::vector<uint8_t>(a->pixels, a->pixels + 3), Rgb({PAL16[0]}));
    FreeRgbImage(a);
    FreeRgbImage(b);
}

struct RefusalCase {
    const char* name;
    std::vector<uint8_t> file;
    BmpStatus status;
};

BmpPieces Sized(int32_t width, int32_t height) {
    BmpPieces p;
    p.width = width, p.height = height;
    p.pixels = {1, 2, 3, 0};
    return p;
}

std::vector<RefusalCase> RefusalCases() {
    std::vector<RefusalCase> cases;
    for (uint32_t size : {108u, 124u, 64u, 16u, 0u}) {
        BmpPieces p = Sized(1, 1);
        p.headerSize = size;
        cases.push_back({"header size", AssembleBmp(p), BmpStatus::UNKNOWN_HEADER});
    }
    const struct {
        int32_t width, height;
        BmpStatus status;
    } sizes[] = {
        {0, 1, BmpStatus::BAD_SIZE},
        {1, 0, BmpStatus::BAD_SIZE},
        {-5, 1, BmpStatus::BAD_SIZE},
        {INT_MIN, 1, BmpStatus::BAD_SIZE},
        {16385, 1, BmpStatus::TOO_LARGE},
        {1, -16385, BmpStatus::TOO_LARGE},
        {1, INT_MIN, BmpStatus::TOO_LARGE},
        {16384, 5462, BmpStatus::TOO_LARGE},   // just over 256 MiB of RGB
        {16384, 5461, BmpStatus::TRUNCATED},   // just under: allowed, but the file has no such pixels
        {INT_MAX, INT_MAX, BmpStatus::TOO_LARGE},
    };
    for (const auto& s : sizes) cases.push_back({"size", AssembleBmp(Sized(s.width, s.height)), s.status});

    const struct {
        uint16_t bits;
        uint32_t compression;
        int32_t height;
    } kinds[] = {{2, 0, 1}, {0, 0, 1}, {64, 0, 1}, {4, 1, 1}, {8, 2, 1}, {24, 3, 1}, {24, 4, 1}, {32, 6, 1}, {8, 1, -1}};
    for (const auto& k : kinds) {
        BmpPieces p = Sized(1, k.height);
        p.bitsPerPixel = k.bits, p.compression = k.compression;
        p.pixels = {0, 1, 0, 0, 0, 0, 0, 0};
        cases.push_back({"bits and compression", AssembleBmp(p), BmpStatus::UNSUPPORTED});
    }

    // 2 x 2, 8 bits, 4 colours: 14 + 40 + 16 + 2 rows of 4 = 78 bytes; the last
    // row's fill (2 bytes) may be missing, nothing else.
    BmpPieces small;
    small.width = 2, small.height = 2, small.bitsPerPixel = 8, small.coloursUsed = 4, small.palette = PAL4;
    small.pixels = {0, 1, 0, 0, 2, 3, 0, 0};
    const std::vector<uint8_t> whole = AssembleBmp(small);
    for (size_t cut : {0, 1, 2, 13, 14, 17, 53, 54, 69, 70, 73, 75})
        cases.push_back({"cut", std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(cut)),
                         BmpStatus::TRUNCATED});
    cases.push_back({"cut at the last row's fill", std::vector<uint8_t>(whole.begin(), whole.begin() + 76), BmpStatus::OK});

    BmpPieces pastEnd = small;
    pastEnd.pixels.clear();
    std::vector<uint8_t> offsetPastEnd = AssembleBmp(pastEnd);
    offsetPastEnd[10] = 0xFF;
    cases.push_back({"pixel offset past the end", offsetPastEnd, BmpStatus::TRUNCATED});

    BmpPieces hugeTable = small;
    hugeTable.coloursUsed = 0x1FFFF;   // counts as 65535 entries
    cases.push_back({"colour table longer than the file", AssembleBmp(hugeTable), BmpStatus::TRUNCATED});

    BmpPieces masks = Sized(1, 1);
    masks.bitsPerPixel = 32, masks.compression = 3;
    masks.pixels.clear();
    std::vector<uint8_t> noMasks = AssembleBmp(masks);
    cases.push_back({"masks missing", noMasks, BmpStatus::TRUNCATED});

    BmpPieces rle;
    rle.width = 4, rle.height = 2, rle.bitsPerPixel = 8, rle.compression = 1, rle.palette = PAL256;
    rle.pixels = {4, 1, 0, 0, 0, 3, 1, 2};   // the literal promises three indices, two are there
    cases.push_back({"run-length data ending inside a literal", AssembleBmp(rle), BmpStatus::TRUNCATED});
    rle.pixels = {4, 1, 0, 0, 2, 1};
    cases.push_back({"run-length data ending before the picture does", AssembleBmp(rle), BmpStatus::TRUNCATED});
    rle.pixels = {4, 1, 0, 0, 0, 2, 1};
    cases.push_back({"run-length delta cut short", AssembleBmp(rle), BmpStatus::TRUNCATED});
    return cases;
}

TEST(BmpDecode, RefusesWhatItCannotReadSoundly) {
    for (const RefusalCase& c : RefusalCases()) {
        SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(c.file.size()) + " bytes");
        RgbImage* image = reinterpret_cast<RgbImage*>(1);
        const BmpStatus status = DecodeBmp(c.file, &image);
        EXPECT_EQ(status, c.status);
        if (status == BmpStatus::OK) {
            FreeRgbImage(image);
        } else {
            EXPECT_EQ(image, nullptr);
        }
    }
}

TEST(BmpDecode, CountsPaletteColours) {
    const struct {
        uint32_t headerSize;
        uint16_t bits;
        uint32_t used;
        uint16_t count;
    } cases[] = {
        {12, 1, 0, 2},      {12, 4, 0, 16},        {12, 8, 0, 256},      {12, 24, 0, 0},
        {40, 1, 0, 2},      {40, 4, 0, 16},        {40, 8, 0, 256},      {40, 16, 0, 0},
        {40, 24, 0, 0},     {40, 32, 0, 0},        {40, 8, 17, 17},      {40, 24, 300, 300},
        {40, 8, 0x10011, 17}, {40, 8, 0x10000, 0}, {108, 8, 0, 256},     {40, 2, 0, 0},
    };
    for (const auto& c : cases) {
        BmpPieces p;
        p.fileHeader = false, p.headerSize = c.headerSize, p.bitsPerPixel = c.bits, p.coloursUsed = c.used;
        const std::vector<uint8_t> file = AssembleBmp(p);
        EXPECT_EQ(CountPaletteColours(file), c.count)
            << "header " << c.headerSize << ", " << c.bits << " bits, colours used " << c.used;
    }
    EXPECT_EQ(CountPaletteColours({}), 0);
}

TEST(BmpDecode, ReadsHeaderFactsOfFilesItRefuses) {
    BmpPieces p = Sized(64, -32);
    p.headerSize = 108, p.bitsPerPixel = 8, p.compression = 0;
    const BmpFacts facts = ReadBmpFacts(AssembleBmp(p));
    EXPECT_TRUE(facts.fileHeader);
    EXPECT_TRUE(facts.fieldsRead);
    EXPECT_EQ(facts.headerSize, 108u);
    EXPECT_EQ(facts.width, 64);
    EXPECT_EQ(facts.height, -32);
    EXPECT_EQ(facts.bitsPerPixel, 8);
    const std::vector<uint8_t> stub = {'B', 'M', 0, 0};
    EXPECT_FALSE(ReadBmpFacts(stub).fieldsRead);
}

TEST(BmpDecode, MessagesForEachOutcome) {
    const struct {
        BmpStatus status;
        const char* text;
    } cases[] = {
        {BmpStatus::CANNOT_OPEN, "Failed to open DIB file data\\scr1.bmp.\n"},
        {BmpStatus::UNKNOWN_HEADER, "Unknown DIB file format."},
        {BmpStatus::TRUNCATED, "Image file conversion error."},
        {BmpStatus::BAD_SIZE, "Image file conversion error."},
        {BmpStatus::UNSUPPORTED, "Image file conversion error."},
        {BmpStatus::TOO_LARGE, "Out of memory."},
        {BmpStatus::OUT_OF_MEMORY, "Out of memory."},
    };
    for (const auto& c : cases) {
        char text[BMP_MESSAGE_SIZE];
        FormatBmpMessage(c.status, "data\\scr1.bmp", text);
        EXPECT_STREQ(text, c.text);
    }
    const std::string longPath(5000, 'x');
    char text[BMP_MESSAGE_SIZE];
    FormatBmpMessage(BmpStatus::CANNOT_OPEN, longPath.c_str(), text);
    const std::string cut(text);
    EXPECT_EQ(cut.size(), BMP_MESSAGE_SIZE - 1);
    EXPECT_EQ(cut.rfind("Failed to open DIB file xxx", 0), 0u);
    EXPECT_EQ(cut.substr(cut.size() - 3), "x.\n");
}

}  // namespace
