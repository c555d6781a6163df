// LoadBmpImage as the program calls it: paths written with a backslash, and
// exactly one message for every way a load fails.
#include "image/bmp.h"
#include "tests/image/bmp_bytes.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

std::vector<uint8_t> WithHeaderSize(uint32_t size) {
    BmpPieces p;
    p.headerSize = size;
    p.pixels = {1, 2, 3, 0};
    return AssembleBmp(p);
}

TEST(BmpFile, LoadsByTheProgramsPathSilently) {
    ScratchFolder folder;
    folder.Write("data/pic.bmp", Assemble24(2, 1, [](int x, int) { return x ? 0x0000FFu : 0xFF0000u; }));
    WorkingFolder inside(folder.path);
    testing::internal::CaptureStderr();
    RgbImage* image = LoadBmpImage("data\\pic.bmp");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->width, 2);
    ASSERT_EQ(image->height, 1);
    EXPECT_EQ(std::vector<uint8_t>(image->pixels, image->pixels + 6), (std::vector<uint8_t>{255, 0, 0, 0, 0, 255}));
    FreeRgbImage(image);
}

TEST(BmpFile, EveryFailureShowsExactlyOneMessage) {
    ScratchFolder folder;
    folder.Write("data/empty.bmp", {});
    folder.Write("data/v4.bmp", WithHeaderSize(108));
    folder.Write("data/v5.bmp", WithHeaderSize(124));
    std::vector<uint8_t> cut = Assemble24(4, 4, [](int, int) { return 0x808080u; });
    cut.resize(cut.size() - 5);
    folder.Write("data/cut.bmp", cut);
    BmpPieces huge;
    huge.width = 16384, huge.height = 16384;
    folder.Write("data/huge.bmp", AssembleBmp(huge));
    std::filesystem::create_directories(folder.path / "data/folder.bmp");
    const struct {
        const char* path;
        const char* stderrText;
    } cases[] = {
        {"data\\none.bmp", "Error: Failed to open DIB file data\\none.bmp.\n"},
        {"data\\empty.bmp", "Error: Failed to open DIB file data\\empty.bmp.\n"},
        {"data\\folder.bmp", "Error: Failed to open DIB file data\\folder.bmp.\n"},
        {"data\\v4.bmp", "Error: Unknown DIB file format.\n"},
        {"data\\v5.bmp", "Error: Unknown DIB file format.\n"},
        {"data\\cut.bmp", "Error: Image file conversion error.\n"},
        {"data\\huge.bmp", "Error: Out of memory.\n"},
    };
    WorkingFolder inside(folder.path);
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        RgbImage* image = LoadBmpImage(c.path);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.stderrText) << c.path;
        EXPECT_EQ(image, nullptr) << c.path;
        FreeRgbImage(image);
    }
}

}  // namespace
