// The texture table on a real GL (llvmpipe): uploads, the load order of the
// scene's pictures and what a missing or broken picture leaves behind.
#include "image/texture.h"
#include "panel/scene_table.h"
#include "platform/platform.h"
#include "tests/image/bmp_bytes.h"
#include "tests/support/scratch_folder.h"

#include <sys/stat.h>

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

class Textures : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_NE(CreateDisplayWindow(640, 480, 1, nullptr), nullptr);
    }
    void SetUp() override { table_ = std::make_unique<TextureSlot[]>(TEXTURE_SLOTS); }
    void TearDown() override { FreeTextures(table_.get()); }

    std::unique_ptr<TextureSlot[]> table_;
};

// Every picture of the scene distinct: 4 x 4, coloured by its texture number.
uint32_t SceneColour(int32_t number) { return 0x010000u * static_cast<uint32_t>(number) + 0x40u; }

void WriteScene(const ScratchFolder& folder) {
    for (const ScenePicture& picture : SCENE_PICTURES)
        folder.Write(std::string("data/") + SceneFileName(picture.path),
                     Assemble24(4, 4, [&](int, int) { return SceneColour(picture.number); }));
}

std::vector<uint8_t> TextureRgb(uint32_t name, int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width * height * 3));
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return pixels;
}

TEST_F(Textures, UploadsTightRowsWithNearestFilters) {
    ScratchFolder folder;
    // Three pixels wide: rows of 9 bytes, which the default alignment of 4 would skew.
    folder.Write("data/odd.bmp", Assemble24(3, 2, [](int x, int y) { return 0x102030u * static_cast<uint32_t>(1 + x + 3 * y); }));
    WorkingFolder inside(folder.path);
    TextureSlot slot{};
    LoadTexture("data\\odd.bmp", &slot);
    ASSERT_NE(slot.glName, 0u);
    std::vector<uint8_t> expected;
    for (uint32_t i = 1; i <= 6; ++i)
        for (int shift : {16, 8, 0}) expected.push_back(static_cast<uint8_t>((0x102030u * i) >> shift));
    EXPECT_EQ(TextureRgb(slot.glName, 3, 2), expected);
    GLint mag = 0, min = 0, unpack = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
    EXPECT_EQ(mag, GL_NEAREST);
    EXPECT_EQ(min, GL_NEAREST);
    EXPECT_EQ(unpack, 4) << "the upload leaves GL's pixel-store state as it found it";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Textures, FullSceneLoadsSilentlyIntoDistinctTextures) {
    ScratchFolder folder;
    WriteScene(folder);
    WorkingFolder inside(folder.path);
    testing::internal::CaptureStderr();
    LoadSceneTextures(table_.get());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    std::set<uint32_t> names;
    for (const ScenePicture& picture : SCENE_PICTURES) {
        const uint32_t name = table_[picture.number].glName;
        EXPECT_NE(name, 0u) << picture.path;
        names.insert(name);
        const std::vector<uint8_t> rgb = TextureRgb(name, 4, 4);
        const uint32_t colour = SceneColour(picture.number);
        EXPECT_EQ(rgb[0], static_cast<uint8_t>(colour >> 16)) << picture.path;
        EXPECT_EQ(rgb[2], static_cast<uint8_t>(colour)) << picture.path;
    }
    EXPECT_EQ(names.size(), SCENE_PICTURES.size());
}

TEST_F(Textures, MissingAndBrokenPicturesAreReportedInTableOrderAndSkipped) {
    ScratchFolder folder;
    WriteScene(folder);
    std::filesystem::remove(folder.path / "data/opac.bmp");    // 36
    std::filesystem::remove(folder.path / "data/font1.bmp");   // 44
    BmpPieces v4;
    v4.headerSize = 108;
    v4.pixels = {1, 2, 3, 0};
    folder.Write("data/kopf.bmp", AssembleBmp(v4));            // 40
    // Neither can be opened as a picture; the FIFO must not hold start-up up.
    std::filesystem::remove(folder.path / "data/code.bmp");    // 50
    ASSERT_EQ(mkfifo((folder.path / "data/code.bmp").c_str(), 0600), 0);
    std::filesystem::remove(folder.path / "data/gfx.bmp");     // 51
    std::filesystem::create_directory(folder.path / "data/gfx.bmp");
    WorkingFolder inside(folder.path);
    testing::internal::CaptureStderr();
    LoadSceneTextures(table_.get());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: texture data\\opac.bmp not found!\n"
              "Error: Failed to open DIB file data\\opac.bmp.\n"
              "Error: Unknown DIB file format.\n"
              "Error: texture data\\font1.bmp not found!\n"
              "Error: Failed to open DIB file data\\font1.bmp.\n"
              "Error: texture data\\code.bmp not found!\n"
              "Error: Failed to open DIB file data\\code.bmp.\n"
              "Error: texture data\\gfx.bmp not found!\n"
              "Error: Failed to open DIB file data\\gfx.bmp.\n");
    const std::set<int32_t> failed = {36, 40, 44, 50, 51};
    std::set<int32_t> listed;
    for (const ScenePicture& picture : SCENE_PICTURES) {
        const TextureSlot& slot = table_[picture.number];
        listed.insert(picture.number);
        EXPECT_EQ(slot.glName == 0, failed.count(picture.number) == 1) << picture.path;
        // Set whether or not the picture loaded.
        EXPECT_EQ(slot.attribute0, 0);
        EXPECT_EQ(slot.attribute1, 1.0f);
        EXPECT_EQ(slot.attribute2, 0);
        EXPECT_EQ(slot.attribute3, 1);
        EXPECT_EQ(slot.attribute4, 0);
    }
    for (int32_t number = 0; number < TEXTURE_SLOTS; ++number) {
        if (listed.count(number)) continue;
        const TextureSlot& slot = table_[number];
        EXPECT_TRUE(slot.glName == 0 && slot.attribute1 == 0.0f && slot.attribute3 == 0) << "slot " << number;
    }
}

// A texture made black, then given only the image's lit rows of tiles, holds the whole
// image: sizes on and off the tile grid (below it too), sparse texels and a lit frame.
TEST_F(Textures, LitRowsIntoABlackTextureMakeTheWholePicture) {
    struct Case {
        const char* what;
        int32_t width, height;
        uint32_t seed;   // 0: the outermost texels lit, else this many scattered ones
    };
    const Case cases[] = {
        {"on the grid", 64, 64, 7}, {"off the grid", 37, 21, 5}, {"below the grid", 3, 5, 2},
        {"wide and flat", 512, 8, 9}, {"a frame round the edges", 40, 24, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> pixels(static_cast<size_t>(c.width * c.height * 3), 0);
        auto light = [&](int32_t x, int32_t y, uint8_t value) {
            pixels[(static_cast<size_t>(y) * c.width + x) * 3 + static_cast<size_t>(x + y) % 3] = value;
        };
        if (c.seed == 0) {
            for (int32_t x = 0; x < c.width; ++x) light(x, 0, 200), light(x, c.height - 1, 100);
            for (int32_t y = 0; y < c.height; ++y) light(0, y, 50), light(c.width - 1, y, 1);
        } else {
            uint32_t state = c.seed;
            for (uint32_t i = 0; i < c.seed; ++i) {
                state = state * 1664525u + 1013904223u;
                light(static_cast<int32_t>((state >> 8) % static_cast<uint32_t>(c.width)),
                      static_cast<int32_t>((state >> 20) % static_cast<uint32_t>(c.height)), static_cast<uint8_t>(1 + i));
            }
        }
        RgbImage image{c.width, c.height, pixels.data()};
        const std::vector<uint8_t> black(pixels.size(), 0);
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, c.width, c.height, 0, GL_RGB, GL_UNSIGNED_BYTE, black.data());
        UploadLitRows(image, FindLitTiles(image));
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        EXPECT_EQ(TextureRgb(name, c.width, c.height), pixels) << c.what;
        glDeleteTextures(1, &name);
    }
}

}  // namespace

// The lit tiles of a 64 x 64 picture: a tile is 4 x 4 texels, and counts one texel beyond
// each edge, wrapping round as the texture repeats.
TEST(LitTiles, EachLitTexelLightsTheTilesThatMaySampleIt) {
    struct Case {
        const char* what;
        int32_t x, y;   // the one lit texel, or -1 for none
        std::set<std::pair<int32_t, int32_t>> tiles;
    };
    const Case cases[] = {
        {"all black", -1, -1, {}},
        {"inside a tile", 10, 5, {{2, 1}}},
        {"on a tile's last column and row", 11, 7, {{2, 1}, {3, 1}, {2, 2}, {3, 2}}},
        {"on a tile's first column", 12, 5, {{2, 1}, {3, 1}}},
        {"in the corner: the far edges too", 0, 0, {{0, 0}, {15, 0}, {0, 15}, {15, 15}}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> pixels(64 * 64 * 3, 0);
        if (c.x >= 0) pixels[(static_cast<size_t>(c.y) * 64 + c.x) * 3 + 1] = 1;   // green, barely
        RgbImage image{64, 64, pixels.data()};
        LitTiles lit = FindLitTiles(image);
        std::set<std::pair<int32_t, int32_t>> found;
        for (int32_t y = 0; y < TEXTURE_TILES; ++y)
            for (int32_t x = 0; x < TEXTURE_TILES; ++x)
                if (lit.Lit(x, y)) found.insert({x, y});
        EXPECT_EQ(found, c.tiles) << c.what;
    }
    // Smaller than the grid: every tile reaches the whole picture.
    uint8_t one[3] = {0, 0, 9};
    RgbImage tiny{1, 1, one};
    LitTiles lit = FindLitTiles(tiny);
    for (int32_t y = 0; y < TEXTURE_TILES; ++y) EXPECT_EQ(lit.rows[y], 0xFFFF) << "row " << y;
}
