// How fast the capture runs compared with the show it records. Each run is
// one pass over the built-in tour; a headless run is made once per process.
#include "tools/capture/capture_output.h"
#include "tools/capture/png_file.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::vector<uint8_t> MenuFrame;

bool HaveData(benchmark::State& state) {
    if (fs::is_regular_file("data/phatfunk.mod")) return true;
    state.SkipWithError("no data folder here: run from the build folder after building the data");
    return false;
}

// The tool as scripts/run uses it: built-in tour, H.264 and AAC in an MP4.
void BM_WholeDefaultCapture(benchmark::State& state) {
    if (!HaveData(state)) return;
    fs::path dir = fs::temp_directory_path() / ("capture-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::path out = dir / "invitation.mp4", log = dir / "log.csv";
    double showSeconds = 0, wallSeconds = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        std::string command = std::string(CAPTURE_TOOL) + " --out '" + out.string() + "' --log '" + log.string() +
                              "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("the capture failed");
            break;
        }
        wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(wallSeconds);
        int64_t frames = -1;
        std::FILE* file = std::fopen(log.c_str(), "r");
        for (int c; file && (c = std::fgetc(file)) != EOF;) frames += c == '\n';
        if (file) std::fclose(file);
        showSeconds = frames / 60.0;
    }
    state.counters["show_s"] = showSeconds;
    state.counters["wall_s"] = wallSeconds;
    state.counters["x_real_time"] = wallSeconds > 0 ? showSeconds / wallSeconds : 0;
    if (fs::exists(out)) state.counters["mp4_MB"] = fs::file_size(out) / 1e6;
    fs::remove_all(dir);
}
BENCHMARK(BM_WholeDefaultCapture)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// Rendering and reading every frame back, nothing written.
void BM_RenderAndReadBack(benchmark::State& state) {
    if (!HaveData(state)) return;
    HeadlessRunOptions options;
    std::string error;
    ParseKeyScript(BuiltInTour(), &options.keys, &error);
    int64_t frames = 0;
    int64_t keep = -1;
    options.onFrame = [&](const HeadlessFrame& frame) {
        ++frames;
        // A frame of the first page, for the PNG benchmark.
        if (frame.status.phase == ShowPhase::MENU && keep < 0) keep = frame.index + 120;
        if (frame.index == keep) MenuFrame.assign(frame.rgb, frame.rgb + SCREEN_WIDTH * SCREEN_HEIGHT * 3);
    };
    double wallSeconds = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        if (RunHeadlessShow(options) != HEADLESS_SHOW_ENDED) {
            state.SkipWithError("the show did not run to its end");
            break;
        }
        wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(wallSeconds);
    }
    double showSeconds = frames / 60.0;
    state.counters["frames"] = static_cast<double>(frames);
    state.counters["fps"] = wallSeconds > 0 ? frames / wallSeconds : 0;
    state.counters["x_real_time"] = wallSeconds > 0 ? showSeconds / wallSeconds : 0;
}
BENCHMARK(BM_RenderAndReadBack)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// One 640x480 frame of the menu to a PNG file, as --frames-dir writes it.
void BM_WritePngFrame(benchmark::State& state) {
    if (MenuFrame.empty()) {
        state.SkipWithError("no menu frame (BM_RenderAndReadBack runs first)");
        return;
    }
    fs::path path = fs::temp_directory_path() / ("capture-bench-" + std::to_string(getpid()) + ".png");
    std::string error;
    for (auto _ : state) WritePngRgb(path.string(), MenuFrame.data(), SCREEN_WIDTH, SCREEN_HEIGHT, &error);
    state.counters["png_KB"] = fs::file_size(path) / 1e3;
    fs::remove(path);
}
BENCHMARK(BM_WritePngFrame)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
