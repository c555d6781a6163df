// One second of music rendered offline, as the device thread renders it live
// (slices of 256 frames, the position read between them). core_percent is the
// CPU time one second of audio costs, as a share of one core (target: 0.5).
#include "music/offline.h"
#include "tests/music/tiny_mod.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

namespace {

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void RenderOneSecond(benchmark::State& state, const std::string& path) {
    if (!std::filesystem::exists(path)) {
        state.SkipWithError(("no module at " + path).c_str());
        return;
    }
    // The order notices go elsewhere while the music plays: stdout is the report's.
    std::fflush(stdout);
    int saved = dup(1);
    int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, 1);
    close(quiet);
    auto restore = [saved] {
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
    };
    if (!StartMusic(path.c_str())) {
        restore();
        state.SkipWithError("cannot start the music");
        return;
    }
    std::vector<int16_t> samples;
    samples.reserve(MUSIC_MIX_RATE * MUSIC_CHANNELS);
    int64_t frame = 0;
    double cpuBefore = ThreadCpuSeconds();
    for (auto _ : state) {
        samples.clear();
        frame += MUSIC_MIX_RATE;
        RenderMusicUntil(frame, &samples);
        benchmark::DoNotOptimize(samples.data());
    }
    double cpuSeconds = ThreadCpuSeconds() - cpuBefore;
    StopMusic();
    restore();
    // CPU seconds per second of audio, in percent.
    state.counters["core_percent"] = 100.0 * cpuSeconds / static_cast<double>(state.iterations());
}

void BM_ProgramModule(benchmark::State& state) {
    RenderOneSecond(state, std::string(INVITATION_BUILD_DIR) + "/data/phatfunk.mod");
}

void BM_PublicModule(benchmark::State& state) {
    RenderOneSecond(state, std::string(INVITATION_TESTDATA) + "/mods/cv_tech.mod");
}

void BM_SmallModule(benchmark::State& state) {
    TinyMod mod;
    for (int32_t channel = 0; channel < TINY_CHANNELS; ++channel) mod.Cell(0, 0, channel) = {1, TINY_C2, 0, 0};
    static const std::string path = WriteTempFile("bench.mod", BuildTinyMod(mod));
    RenderOneSecond(state, path);
}

}  // namespace

BENCHMARK(BM_ProgramModule)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PublicModule)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SmallModule)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
