// The intro's frame, decided by the music position alone.
#include "show/intro.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int32_t> Panels(const IntroFrame& frame) {
    return {frame.panels.begin(), frame.panels.begin() + frame.panelCount};
}

TEST(Intro, RowThresholdsAreInclusiveAndDrawInTableOrder) {
    struct Case {
        int32_t row;
        std::vector<int32_t> panels;
    } cases[] = {
        {-1, {}},
        {0, {}},
        {3, {}},
        {4, {40}},
        {9, {40}},
        {10, {40, 41}},
        {11, {40, 41}},
        {12, {40, 41, 42}},
        {13, {40, 41, 42}},
        {14, {40, 41, 42, 43}},
        {15, {40, 41, 42, 43}},
        {16, {40, 41, 42, 43, 44}},
        {63, {40, 41, 42, 43, 44}},
    };
    for (const Case& c : cases) EXPECT_EQ(Panels(UpdateIntro({0, c.row, 0})), c.panels) << "row " << c.row;
}

TEST(Intro, EachFrameFollowsItsOwnRowSoRowsFallingBackHidePanels) {
    const int32_t rows[] = {2, 16, 5, 11, 0, 20};
    const size_t expected[] = {0, 5, 1, 2, 0, 5};
    for (size_t i = 0; i < std::size(rows); ++i) EXPECT_EQ(UpdateIntro({0, rows[i], 0}).panelCount, expected[i]);
}

TEST(Intro, TheFrameThatFirstReadsOrderOneIsDrawnAndIsTheLast) {
    struct Case {
        MusicPosition position;
        bool last;
        int32_t panelCount;
    } cases[] = {
        {{0, 63, 9000}, false, 5},
        {{1, 0, 9100}, true, 5},    // the new order starts at row 0: the logo stays whole
        {{1, 12, 9100}, true, 5},
        {{2, 4, 20000}, true, 5},   // already beyond order 1 at the first frame: one whole frame
        {{-1, 4, 0}, false, 1},
    };
    for (const Case& c : cases) {
        IntroFrame frame = UpdateIntro(c.position);
        EXPECT_EQ(frame.last, c.last) << "order " << c.position.order;
        EXPECT_EQ(frame.panelCount, c.panelCount) << "order " << c.position.order;
    }
}

}  // namespace
