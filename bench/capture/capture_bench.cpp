// How fast the capture runs compared with the show it records, at any size:
// the whole capture (the tool as a user runs it), rendering with read-back
// alone, and encoding alone (the same frames fed to the same writer). One
// size a run:
//   capture_bench [--size WxH] [--keys FILE] [benchmark flags]
// (default 640x480 and the built-in tour). Run from the build folder.
#include "tools/capture/capture_output.h"
#include "tools/capture/png_file.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int32_t Width = SCREEN_WIDTH, Height = SCREEN_HEIGHT;
std::string KeysPath;   // empty: the built-in tour

// The rendered show kept for the encoding benchmark: runs of equal frames share one copy.
struct RecordedFrame {
    std::shared_ptr<const std::vector<uint8_t>> rgb;
    std::vector<int16_t> audio;
    HeadlessFrame frame;
};
std::vector<RecordedFrame> Recorded;
size_t RecordedBytes = 0;
// Half the memory available when the run starts: the whole tour at 1920x1440 keeps about 6.5 GB.
size_t RecordLimit() {
    size_t availableKiB = 0;
    if (std::FILE* info = std::fopen("/proc/meminfo", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, info))
            if (std::sscanf(line, "MemAvailable: %zu kB", &availableKiB) == 1) break;
        std::fclose(info);
    }
    return availableKiB > 0 ? availableKiB * 1024 / 2 : size_t{6} << 30;
}
const size_t RECORD_LIMIT = RecordLimit();
double RenderSeconds = 0, EncodeSeconds = 0, WholeSeconds = 0;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// CPU seconds, user and system, of this process's threads or of its waited-for
// children (and theirs): with two cores, a stage that keeps both busy alone
// leaves the other little room to overlap with it.
double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

bool HaveData(benchmark::State& state) {
    if (fs::is_regular_file("data/phatfunk.mod")) return true;
    state.SkipWithError("no data folder here: run from the build folder after building the data");
    return false;
}

std::string SizeName() { return std::to_string(Width) + "x" + std::to_string(Height); }

// The tool as scripts/run uses it: H.264 and AAC in an MP4.
void BM_WholeCapture(benchmark::State& state) {
    if (!HaveData(state)) return;
    fs::path dir = fs::temp_directory_path() / ("capture-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::path out = dir / "invitation.mp4", log = dir / "log.csv";
    double showSeconds = 0;
    double cpu = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        double childrenBefore = CpuSeconds(RUSAGE_CHILDREN);
        std::string command = std::string(CAPTURE_TOOL) + " --size " + SizeName() + " --out '" + out.string() +
                              "' --log '" + log.string() + "'" + (KeysPath.empty() ? "" : " --keys '" + KeysPath + "'") +
                              " >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("the capture failed");
            break;
        }
        WholeSeconds = SecondsSince(start);
        cpu = CpuSeconds(RUSAGE_CHILDREN) - childrenBefore;
        state.SetIterationTime(WholeSeconds);
        int64_t frames = -1;
        std::FILE* file = std::fopen(log.c_str(), "r");
        for (int c; file && (c = std::fgetc(file)) != EOF;) frames += c == '\n';
        if (file) std::fclose(file);
        showSeconds = frames / 60.0;
    }
    state.counters["show_s"] = showSeconds;
    state.counters["wall_s"] = WholeSeconds;
    state.counters["cpu_s"] = cpu;
    state.counters["x_real_time"] = WholeSeconds > 0 ? showSeconds / WholeSeconds : 0;
    if (fs::exists(out)) state.counters["mp4_MB"] = fs::file_size(out) / 1e6;
    fs::remove_all(dir);
}
BENCHMARK(BM_WholeCapture)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// Rendering and reading every frame back, nothing written. The frames are kept
// for the encoding benchmark; the time spent keeping them is not counted.
void BM_RenderAndReadBack(benchmark::State& state) {
    if (!HaveData(state)) return;
    HeadlessRunOptions options;
    options.width = Width;
    options.height = Height;
    std::string error, script(BuiltInTour());
    if (!KeysPath.empty()) {
        std::ifstream file(KeysPath);
        std::ostringstream text;
        text << file.rdbuf();
        script = text.str();
    }
    if (!ParseKeyScript(script, &options.keys, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    int64_t frames = 0;
    double keeping = 0;
    options.onFrame = [&](const HeadlessFrame& frame) {
        Clock::time_point start = Clock::now();
        ++frames;
        size_t bytes = static_cast<size_t>(frame.width) * frame.height * 3;
        RecordedFrame kept{nullptr, {frame.audio.begin(), frame.audio.end()}, frame};
        if (!Recorded.empty() && std::memcmp(Recorded.back().rgb->data(), frame.rgb, bytes) == 0) {
            kept.rgb = Recorded.back().rgb;
        } else if (RecordedBytes + bytes <= RECORD_LIMIT) {
            kept.rgb = std::make_shared<const std::vector<uint8_t>>(frame.rgb, frame.rgb + bytes);
            RecordedBytes += bytes;
        }
        if (kept.rgb) Recorded.push_back(std::move(kept));
        keeping += SecondsSince(start);
    };
    double cpu = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        double before = CpuSeconds(RUSAGE_SELF);
        if (RunHeadlessShow(options) != HEADLESS_SHOW_ENDED) {
            state.SkipWithError("the show did not run to its end");
            break;
        }
        RenderSeconds = SecondsSince(start) - keeping;
        cpu = CpuSeconds(RUSAGE_SELF) - before - keeping;   // keeping runs on this thread alone
        state.SetIterationTime(RenderSeconds);
    }
    if (static_cast<int64_t>(Recorded.size()) != frames) Recorded.clear();   // over the memory limit
    double showSeconds = frames / 60.0;
    state.counters["frames"] = static_cast<double>(frames);
    state.counters["fps"] = RenderSeconds > 0 ? frames / RenderSeconds : 0;
    state.counters["x_real_time"] = RenderSeconds > 0 ? showSeconds / RenderSeconds : 0;
    state.counters["kept_MB"] = RecordedBytes / 1e6;
    state.counters["cpu_s"] = cpu;
}
BENCHMARK(BM_RenderAndReadBack)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The rendered frames and their sound through the capture's writer: ffmpeg's
// H.264 encoding, the WAV file and the muxing, as the whole capture does them.
void BM_EncodeAlone(benchmark::State& state) {
    if (Recorded.empty()) {
        state.SkipWithError("no frames kept (BM_RenderAndReadBack runs first, within the memory limit)");
        return;
    }
    const char* path = std::getenv("PATH");
    std::string ffmpeg = FindProgram("ffmpeg", path ? path : "/usr/bin:/bin");
    fs::path out = fs::temp_directory_path() / ("capture-bench-" + std::to_string(getpid()) + ".mp4");
    double cpu = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        double before = CpuSeconds(RUSAGE_SELF) + CpuSeconds(RUSAGE_CHILDREN);
        CaptureWriter writer = VideoWriter(ffmpeg, out.string(), VideoContainer::MP4, 60, Width, Height);
        std::string error;
        bool ok = StartCapture(writer, &error);
        for (const RecordedFrame& kept : Recorded) {
            if (!ok) break;
            HeadlessFrame frame = kept.frame;
            frame.rgb = kept.rgb->data();
            frame.audio = kept.audio;
            ok = AddCaptureFrame(writer, frame, &error);
        }
        if (!ok || !FinishCapture(writer, &error)) {
            AbandonCapture(writer);
            state.SkipWithError(error.c_str());
            break;
        }
        EncodeSeconds = SecondsSince(start);
        cpu = CpuSeconds(RUSAGE_SELF) + CpuSeconds(RUSAGE_CHILDREN) - before;
        state.SetIterationTime(EncodeSeconds);
    }
    state.counters["frames"] = static_cast<double>(Recorded.size());
    state.counters["fps"] = EncodeSeconds > 0 ? Recorded.size() / EncodeSeconds : 0;
    state.counters["cpu_s"] = cpu;
    fs::remove(out);
}
BENCHMARK(BM_EncodeAlone)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// One frame of the menu to a PNG file, as --frames-dir writes it.
void BM_WritePngFrame(benchmark::State& state) {
    const RecordedFrame* menu = nullptr;
    for (const RecordedFrame& kept : Recorded)
        if (kept.frame.status.phase == ShowPhase::MENU && !menu) menu = &kept;
    if (!menu) {
        state.SkipWithError("no menu frame (BM_RenderAndReadBack runs first)");
        return;
    }
    fs::path path = fs::temp_directory_path() / ("capture-bench-" + std::to_string(getpid()) + ".png");
    std::string error;
    for (auto _ : state) WritePngRgb(path.string(), menu->rgb->data(), Width, Height, &error);
    state.counters["png_KB"] = fs::file_size(path) / 1e3;
    fs::remove(path);
}
BENCHMARK(BM_WritePngFrame)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Our own options first; the rest are the benchmark library's.
    std::vector<char*> rest = {argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
            if (std::sscanf(argv[++i], "%dx%d", &Width, &Height) != 2 || Width < 2 || Height < 2) {
                std::fprintf(stderr, "capture_bench: --size takes WIDTHxHEIGHT\n");
                return 2;
            }
        } else if (std::strcmp(argv[i], "--keys") == 0 && i + 1 < argc) {
            KeysPath = fs::absolute(argv[++i]).string();
        } else {
            rest.push_back(argv[i]);
        }
    }
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    if (benchmark::ReportUnrecognizedArguments(count, rest.data())) return 1;
    std::fprintf(stderr, "capture at %s, %s\n", SizeName().c_str(), KeysPath.empty() ? "built-in tour" : KeysPath.c_str());
    benchmark::RunSpecifiedBenchmarks();
    double slower = std::max(RenderSeconds, EncodeSeconds);
    if (WholeSeconds > 0 && slower > 0)
        std::printf("whole %.1f s, render alone %.1f s, encode alone %.1f s: whole / slower = %.2f\n", WholeSeconds,
                    RenderSeconds, EncodeSeconds, WholeSeconds / slower);
    benchmark::Shutdown();
    return 0;
}
