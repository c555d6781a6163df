// The BMP writer against the program's own loader: every kind, odd widths, runs.
#include "tools/generate/bmp_write.h"

#include "image/bmp.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>
#include <filesystem>
#include <fstream>

namespace {

// A picture of `colours` colours in stripes, diagonals and long runs, so rows
// have fill bytes, runs longer than 255 and stretches without runs.
RgbPicture Pattern(int32_t width, int32_t height, int32_t colours) {
    RgbPicture picture{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
    for (int32_t r = 0; r < height; ++r)
        for (int32_t c = 0; c < width; ++c) {
            int32_t k = (r % 3 == 0) ? (c / 300) % colours : (c * 7 + r * 3 + (c * c) % 5) % colours;
            uint8_t* p = &picture.rgb[(static_cast<size_t>(r) * width + c) * 3];
            p[0] = static_cast<uint8_t>(k * 37);
            p[1] = static_cast<uint8_t>(255 - k * 11);
            p[2] = static_cast<uint8_t>((k * 91) & 255);
        }
    return picture;
}

// What LoadBmpImage makes of the encoded picture, rows turned back to top first.
RgbPicture LoadThroughLoader(const std::vector<uint8_t>& file) {
    auto path = std::filesystem::temp_directory_path() / ("content-bmp-" + std::to_string(::getpid()) + ".bmp");
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    }
    RgbImage* image = LoadBmpImage(path.string().c_str());
    std::filesystem::remove(path);
    RgbPicture picture;
    if (!image) return picture;
    picture.width = image->width;
    picture.height = image->height;
    size_t row = static_cast<size_t>(image->width) * 3;
    for (int32_t r = image->height - 1; r >= 0; --r)
        picture.rgb.insert(picture.rgb.end(), image->pixels + r * row, image->pixels + (r + 1) * row);
    FreeRgbImage(image);
    return picture;
}

struct KindCase {
    BmpKind kind;
    uint32_t headerSize;
    uint16_t bits;
    uint32_t compression;
    int32_t colours;   // most the table holds
};

const KindCase KINDS[] = {
    {BmpKind::RGB24, 40, 24, 0, 1000},       {BmpKind::PALETTE8, 40, 8, 0, 200},
    {BmpKind::PALETTE8_FULL, 40, 8, 0, 256}, {BmpKind::RLE8, 40, 8, 1, 256},
    {BmpKind::PALETTE4, 40, 4, 0, 16},       {BmpKind::CORE8, 12, 8, 0, 256},
};

}  // namespace

TEST(BmpWriter, EveryKindDecodesToTheSamePixels) {
    const std::pair<int32_t, int32_t> sizes[] = {{1, 1}, {3, 2}, {5, 3}, {6, 4}, {7, 5}, {640, 3}, {64, 64}};
    for (const KindCase& k : KINDS)
        for (auto [width, height] : sizes) {
            SCOPED_TRACE(std::string(BmpKindName(k.kind)) + " " + std::to_string(width) + "x" +
                         std::to_string(height));
            RgbPicture picture = Pattern(width, height, std::min(k.colours, 40));
            std::string error;
            std::vector<uint8_t> file = EncodeBmp(picture, k.kind, error);
            ASSERT_FALSE(file.empty()) << error;
            BmpFacts facts = ReadBmpFacts(file);
            EXPECT_TRUE(facts.fileHeader);
            EXPECT_EQ(facts.headerSize, k.headerSize);
            EXPECT_EQ(facts.bitsPerPixel, k.bits);
            EXPECT_EQ(facts.compression, k.compression);
            RgbPicture decoded = LoadThroughLoader(file);
            EXPECT_EQ(decoded.width, width);
            EXPECT_EQ(decoded.height, height);
            EXPECT_TRUE(decoded.rgb == picture.rgb);
        }
}

TEST(BmpWriter, RunLengthDataIsSmallForLongRuns) {
    RgbPicture black{1024, 1024, std::vector<uint8_t>(1024 * 1024 * 3, 0)};
    std::string error;
    std::vector<uint8_t> file = EncodeBmp(black, BmpKind::RLE8, error);
    ASSERT_FALSE(file.empty()) << error;
    EXPECT_LT(file.size(), 20000u);
    EXPECT_TRUE(LoadThroughLoader(file).rgb == black.rgb);
}

TEST(BmpWriter, RefusesMoreColoursThanTheTableHolds) {
    const std::pair<BmpKind, int32_t> cases[] = {
        {BmpKind::PALETTE4, 17}, {BmpKind::PALETTE8, 257}, {BmpKind::RLE8, 257}, {BmpKind::CORE8, 257}};
    for (auto [kind, colours] : cases) {
        RgbPicture picture{colours, 1, {}};
        for (int32_t i = 0; i < colours; ++i) picture.rgb.insert(picture.rgb.end(), {uint8_t(i), uint8_t(i >> 8), 7});
        std::string error;
        EXPECT_TRUE(EncodeBmp(picture, kind, error).empty()) << BmpKindName(kind);
        EXPECT_NE(error.find("colours"), std::string::npos) << error;
    }
}
