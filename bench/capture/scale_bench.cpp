// The show at a larger size with the pictures of a larger scale, against today's
// frame: the same menu frame captured at N x 640 by N x 480 with data-Nx/ and at
// 640 x 480 with data/.
//   cd build && cmake --build . --target data-4x && ./scale_bench [--scale N]
// Prints how far the large frame, averaged down N times, lies from the small one
// (the composition must not drift), and the sharpness of the page text: the mean
// gradient energy of the large frame against the small frame enlarged N times
// bilinearly, as a video site would show an upscaled capture.
#include "tests/support/frame_compare.h"
#include "tools/capture/png_file.h"
#include "tools/generate/artwork.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

// Frame 11 at 1 frame a second: 11 s, the page settled (bench/capture/menu_page.keys).
constexpr int32_t FPS = 1;
constexpr const char* FRAME = "frame-000011.png";

bool Capture(const fs::path& frames, int32_t scale, const std::string& data, RgbPicture& frame, double& seconds) {
    const std::string size = std::to_string(scale * 640) + "x" + std::to_string(scale * 480);
    const std::string command = std::string(CAPTURE_TOOL) + " --keys '" + MENU_PAGE_KEYS + "' --fps " +
                                std::to_string(FPS) + " --size " + size + " --data '" + data + "' --frames-dir '" +
                                frames.string() + "' >/dev/null 2>&1";
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "scale_bench: the capture at %s with %s failed: %s\n", size.c_str(), data.c_str(),
                     command.c_str());
        return false;
    }
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ReadPngRgb((frames / FRAME).string(), &frame.rgb, &frame.width, &frame.height)) {
        std::fprintf(stderr, "scale_bench: cannot read %s\n", (frames / FRAME).c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int32_t scale = 4;
    if (argc == 3 && std::strcmp(argv[1], "--scale") == 0) scale = std::atoi(argv[2]);
    if ((argc != 1 && argc != 3) || scale < 2 || scale > MAX_PICTURE_SCALE) {
        std::fprintf(stderr, "usage: scale_bench [--scale 2..%d]   (from the build folder)\n", MAX_PICTURE_SCALE);
        return 2;
    }
    const std::string large = "data-" + std::to_string(scale) + "x";
    for (const std::string& data : {std::string("data"), large})
        if (!fs::is_regular_file(data + "/phatfunk.mod")) {
            std::fprintf(stderr, "scale_bench: no %s/ here: run from the build folder after cmake --build . --target %s\n",
                         data.c_str(), data == "data" ? "data" : large.c_str());
            return 1;
        }
    const fs::path dir = fs::temp_directory_path() / ("scale-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);   // the captures make their frame folders in it
    RgbPicture small, big;
    double smallSeconds = 0, bigSeconds = 0;
    const bool captured = Capture(dir / "1x", 1, "data", small, smallSeconds) &&
                          Capture(dir / "large", scale, large, big, bigSeconds);
    fs::remove_all(dir);
    if (!captured) return 1;

    const FrameDifference d = CompareFrames(AverageDown(big, scale), small);
    std::printf("menu frame at %dx%d with %s/, averaged down %d times, against 640x480 with data/:\n", big.width,
                big.height, large.c_str(), scale);
    std::printf("  mean absolute difference %.3f, max %d, channels more than 64 apart %.3f%%\n", d.mean, d.most,
                100.0 * d.overQuarter);
    // The dark box the pages sit in, inside its rim.
    const int32_t left = static_cast<int32_t>(TEXT_BOX.left) + 4, top = static_cast<int32_t>(TEXT_BOX.top) + 4;
    const int32_t right = static_cast<int32_t>(TEXT_BOX.right) - 4, bottom = static_cast<int32_t>(TEXT_BOX.bottom) - 4;
    const double sharp = GradientEnergy(big, left * scale, top * scale, right * scale, bottom * scale);
    const double enlarged =
        GradientEnergy(EnlargeBilinear(small, scale), left * scale, top * scale, right * scale, bottom * scale);
    std::printf("page text (%d,%d)-(%d,%d) at 640x480: mean gradient energy %.1f at %dx%d, %.1f enlarged from "
                "640x480: %.2f times\n",
                left, top, right, bottom, sharp, big.width, big.height, enlarged, sharp / enlarged);
    std::printf("captures of %d frames: %.1f s at 640x480, %.1f s at %dx%d\n", 21 * FPS, smallSeconds, bigSeconds,
                big.width, big.height);
    return 0;
}
