// The choice of the fullscreen display mode.
#include "platform/display_modes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct ModeCase {
    const char* name;
    std::vector<DisplayModeInfo> modes;
    int expected;
};

TEST(DisplayModes, ChoosesDeepestModeOfExactSize) {
    const ModeCase cases[] = {
        {"deepest of three depths", {{640, 480, 8}, {640, 480, 16}, {640, 480, 32}}, 2},
        {"deepest listed first", {{640, 480, 32}, {640, 480, 16}}, 0},
        {"two of equal depth: the first", {{800, 600, 32}, {640, 480, 32}, {640, 480, 32}}, 1},
        {"other sizes only", {{800, 600, 32}, {1024, 768, 32}, {480, 640, 32}}, -1},
        {"width matches, height not", {{640, 400, 32}}, -1},
        {"no modes", {}, -1},
        {"negative depth never beats none", {{640, 480, -5}}, -1},
        {"zero depth still a mode", {{640, 480, 0}}, 0},
    };
    for (const ModeCase& c : cases)
        EXPECT_EQ(FindDisplayMode(c.modes.data(), static_cast<int>(c.modes.size()), 640, 480), c.expected)
            << c.name;
}

TEST(DisplayModes, LooksAtNoMoreThan4999Modes) {
    std::vector<DisplayModeInfo> modes(6000, DisplayModeInfo{1024, 768, 32});
    modes[4999] = {640, 480, 32};
    EXPECT_EQ(FindDisplayMode(modes.data(), 6000, 640, 480), -1);
    modes[4998] = {640, 480, 16};
    EXPECT_EQ(FindDisplayMode(modes.data(), 6000, 640, 480), 4998);
}

TEST(DisplayModes, PictureIsTheLargestCentred4By3) {
    struct FitCase {
        int32_t width, height;
        PictureRect expected;
    };
    const FitCase cases[] = {
        {640, 480, {0, 0, 640, 480}},          // the show's own size: the whole output
        {1920, 1440, {0, 0, 1920, 1440}},
        {1920, 1080, {240, 0, 1440, 1080}},    // 16:9: bars left and right
        {3840, 2160, {480, 0, 2880, 2160}},
        {1366, 768, {171, 0, 1024, 768}},      // odd bar width: the extra pixel on the right
        {1280, 1024, {0, 32, 1280, 960}},      // 5:4: bars above and below
        {641, 480, {0, 0, 640, 480}},
        {1, 1, {0, 0, 1, 0}},
        {0, 0, {0, 0, 1, 0}},                  // a minimised window never divides by zero
    };
    for (const FitCase& c : cases) {
        PictureRect rect = FitPicture(c.width, c.height);
        EXPECT_EQ(rect.x, c.expected.x) << c.width << "x" << c.height;
        EXPECT_EQ(rect.y, c.expected.y) << c.width << "x" << c.height;
        EXPECT_EQ(rect.width, c.expected.width) << c.width << "x" << c.height;
        EXPECT_EQ(rect.height, c.expected.height) << c.width << "x" << c.height;
    }
}

TEST(DisplayModes, WindowIsTheLargestMultipleThatFitsComfortably) {
    struct ScaleCase {
        int32_t desktopWidth, desktopHeight, expected;
    };
    const ScaleCase cases[] = {
        {640, 480, 1},     {1024, 768, 1},  {1920, 1080, 2},   // 1280x960 under 1080 lines
        {1280, 960, 1},    {2560, 1440, 2}, {2880, 2160, 4},   // 2560x1920 within 90%
        {3840, 2160, 4},   {320, 200, 1},
    };
    for (const ScaleCase& c : cases)
        EXPECT_EQ(WindowScale(c.desktopWidth, c.desktopHeight, 640, 480), c.expected)
            << c.desktopWidth << "x" << c.desktopHeight;
}

}  // namespace
