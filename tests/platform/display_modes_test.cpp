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

}  // namespace
