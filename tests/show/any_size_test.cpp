// The show at another output size: a 16:9 frame holds the 640 x 480 picture,
// enlarged, in its centre and black bars beside it. Real pictures from the
// build's data folder, drawn on the headless platform.
#include "show/menu.h"
#include "show/show.h"

#include "panel/draw.h"
#include "panel/panel.h"
#include "platform/data_folder.h"
#include "platform/display_modes.h"
#include "platform/headless.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// 16:9 whose picture is exactly three times 640 x 480, so it can be reduced by averaging.
constexpr int32_t WIDE_WIDTH = 2560;
constexpr int32_t WIDE_HEIGHT = 1440;
constexpr int32_t SCALE = 3;

void SavePpm(const std::string& path, const std::vector<uint8_t>& rgb, int32_t width, int32_t height) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fprintf(f, "P6\n%d %d\n255\n", width, height);
    std::fwrite(rgb.data(), 1, rgb.size(), f);
    std::fclose(f);
}

// A menu frame with a page up, drawn into the current viewport of the output.
std::vector<uint8_t> DrawMenuFrame(const Scene& scene, int32_t width, int32_t height) {
    SetProjection(width, height);
    MenuState state = StartMenu(0);
    UpdateMenu(state, {}, 1000);
    DrawList calls;
    calls.Add(ClearCall(BackgroundColour.red, BackgroundColour.green, BackgroundColour.blue, BackgroundColour.alpha));
    AddMenuPanelCalls(state, calls);
    AddMenuPointerCall(state, calls);
    DrawFrameCalls(scene, calls);
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    ReadFrameRgb(rgb.data(), width, height);
    return rgb;
}

TEST(AnySize, WideFrameIsThePictureEnlargedBetweenBlackBars) {
    std::string error;
    std::string data = FindDataFolder("", &error);
    if (data.empty()) GTEST_SKIP() << error << ": build the data first";
    UseDataFolder(data);
    WindowHandle window = CreateDisplayWindow(WIDE_WIDTH, WIDE_HEIGHT, 1, nullptr);
    ASSERT_NE(window, nullptr);
    OwnedScene scene(LoadScene());
    ASSERT_NE(scene, nullptr);

    std::vector<uint8_t> wide = DrawMenuFrame(*scene, WIDE_WIDTH, WIDE_HEIGHT);
    // The same show into a 640 x 480 output: the bottom-left corner of the same surface.
    std::vector<uint8_t> small = DrawMenuFrame(*scene, 640, 480);
    scene.reset();
    CloseDisplayWindow(window);

    PictureRect picture = FitPicture(WIDE_WIDTH, WIDE_HEIGHT);
    ASSERT_EQ(picture.width, 640 * SCALE);
    ASSERT_EQ(picture.height, 480 * SCALE);
    int64_t barPixels = 0, litBarPixels = 0;
    for (int32_t y = 0; y < WIDE_HEIGHT; ++y)
        for (int32_t x = 0; x < WIDE_WIDTH; ++x) {
            if (x >= picture.x && x < picture.x + picture.width) continue;
            const uint8_t* p = &wide[(static_cast<size_t>(y) * WIDE_WIDTH + x) * 3];
            ++barPixels;
            if (p[0] || p[1] || p[2]) ++litBarPixels;
        }
    EXPECT_EQ(barPixels, int64_t{2} * picture.x * WIDE_HEIGHT);
    EXPECT_EQ(litBarPixels, 0) << "the bars are not black";

    // Each 3 x 3 block of the centre, averaged, against the pixel of the small frame.
    double totalDifference = 0;
    int64_t farOff = 0, litPixels = 0;
    for (int32_t y = 0; y < 480; ++y)
        for (int32_t x = 0; x < 640; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int32_t dy = 0; dy < SCALE; ++dy)
                    for (int32_t dx = 0; dx < SCALE; ++dx) {
                        size_t wx = static_cast<size_t>(picture.x + x * SCALE + dx);
                        size_t wy = static_cast<size_t>(picture.y + y * SCALE + dy);
                        sum += wide[(wy * WIDE_WIDTH + wx) * 3 + c];
                    }
                int small_value = small[(static_cast<size_t>(y) * 640 + x) * 3 + c];
                double difference = std::fabs(sum / double(SCALE * SCALE) - small_value);
                totalDifference += difference;
                if (difference > 48) ++farOff;
                if (small_value > 32) ++litPixels;
            }
    double mean = totalDifference / (640.0 * 480 * 3);
    EXPECT_GT(litPixels, 640 * 480 * 3 / 20) << "the frame shows too little to compare";
    // Nearest texels land on other pixel centres at three times the size: edges may move a pixel.
    EXPECT_LT(mean, 2.0);
    EXPECT_LT(farOff, 640 * 480 * 3 / 100);
    if (HasFailure()) {
        SavePpm("any-size-wide.ppm", wide, WIDE_WIDTH, WIDE_HEIGHT);
        SavePpm("any-size-small.ppm", small, 640, 480);
        std::fprintf(stderr, "saved any-size-wide.ppm and any-size-small.ppm\n");
    }
    std::fprintf(stderr, "mean difference %.3f, %lld of %d channels off by more than 48\n", mean,
                 static_cast<long long>(farOff), 640 * 480 * 3);
}

}  // namespace
