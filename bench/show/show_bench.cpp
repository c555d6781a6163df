// The show's costs:
// - launch to the first presented intro frame of the real program, against a bare SDL
//   window with a GL context created and swapped once, both started as processes in the
//   same run (needs an X display with a 640x480 mode and the data folder of the build:
//   run it under tests/support/with-xvfb 640x480; SHOW_BENCH_DATA=data-4x starts the
//   program with that data folder instead);
// - the whole show on the headless platform: C++ allocations made by a frame's own work
//   (pump, input, step, draws, swap) in every phase, time per frame, and the
//   peak memory of the process.
#include "app/run_program.h"
#include "music/music.h"
#include "music/offline.h"
#include "panel/draw.h"
#include "panel/panel.h"
#include "panel/scene_table.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "show/show.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <new>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

// Every C++ allocation of the process, counted. The replacements pair malloc with
// free themselves, which GCC cannot see once they are inlined.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<int64_t> Allocations{0};
}  // namespace

void* operator new(std::size_t size) {
    Allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    Allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

const std::string BUILD_DIR = INVITATION_BUILD_DIR;

bool HaveData() { return std::filesystem::exists(BUILD_DIR + "/data/phatfunk.mod"); }

double Seconds(const timespec& t) { return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9; }

struct Launch {
    double firstFrameMs = -1;   // from just before the spawn to the first swap
    double peakMiB = -1;        // the process's high-water mark of resident memory
};

int64_t ReadHighWaterKiB(pid_t pid) {
    FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
    if (!f) return -1;
    char line[256];
    int64_t kib = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1) break;
    std::fclose(f);
    return kib;
}

// Starts `program` in the build folder with its stderr on a pipe, waits for its
// "first-frame" line, keeps it running `lingerMs` longer and ends it.
Launch LaunchUntilFirstFrame(const std::string& program, int lingerMs) {
    Launch result;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, BUILD_DIR.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);

    std::vector<std::string> env = {"LD_PRELOAD=" FIRST_SWAP_TRACE, "SDL_AUDIODRIVER=dummy",
                                    "INVITATION_NO_MESSAGE_BOXES=1"};
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "SDL_AUDIODRIVER=", 16) != 0) env.push_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string path = BUILD_DIR + "/" + program;
    std::vector<char*> argv = {path.data()};
    // SHOW_BENCH_DATA=data-4x measures the start-up with another data folder.
    std::string dataOption = "--data";
    std::string dataFolder = std::getenv("SHOW_BENCH_DATA") ? std::getenv("SHOW_BENCH_DATA") : "";
    if (program == "invitation" && !dataFolder.empty()) {
        argv.push_back(dataOption.data());
        argv.push_back(dataFolder.data());
    }
    argv.push_back(nullptr);

    timespec start;
    clock_gettime(CLOCK_REALTIME, &start);
    pid_t pid = -1;
    int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return result;
    }

    std::string text;
    char buffer[512];
    for (;;) {
        pollfd p = {pipeFds[0], POLLIN, 0};
        if (poll(&p, 1, 30000) <= 0) break;
        ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
        size_t at = text.find("first-frame ");
        if (at != std::string::npos && text.find('\n', at) != std::string::npos) {
            double when = std::atof(text.c_str() + at + 12);
            result.firstFrameMs = (when - Seconds(start)) * 1000.0;
            break;
        }
    }
    if (result.firstFrameMs < 0) std::fprintf(stderr, "%s: no first frame; it said:\n%s\n", program.c_str(), text.c_str());
    std::this_thread::sleep_for(std::chrono::milliseconds(lingerMs));
    int64_t kib = ReadHighWaterKiB(pid);
    if (kib >= 0) result.peakMiB = kib / 1024.0;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    close(pipeFds[0]);
    return result;
}

void BM_LaunchToFirstFrame(benchmark::State& state) {
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("needs an X display with a 640x480 mode: run under tests/support/with-xvfb 640x480");
        return;
    }
    if (!HaveData()) {
        state.SkipWithError("no data/phatfunk.mod in the build folder (build the data target)");
        return;
    }
    double invitationMs = 0, bareMs = 0, peakMiB = 0;
    for (auto _ : state) {
        Launch bare = LaunchUntilFirstFrame("show-bench-bare-gl", 0);
        Launch program = LaunchUntilFirstFrame("invitation", 1500);
        if (bare.firstFrameMs < 0 || program.firstFrameMs < 0) {
            state.SkipWithError("a program did not present a frame");
            return;
        }
        state.SetIterationTime(program.firstFrameMs / 1000.0);
        invitationMs += program.firstFrameMs;
        bareMs += bare.firstFrameMs;
        peakMiB = std::max(peakMiB, program.peakMiB);
    }
    double n = static_cast<double>(state.iterations());
    state.counters["invitation_ms"] = invitationMs / n;
    state.counters["bare_gl_ms"] = bareMs / n;
    state.counters["ratio"] = invitationMs / bareMs;
    state.counters["live_peak_MiB"] = peakMiB;
}
BENCHMARK(BM_LaunchToFirstFrame)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

double PeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

struct PhaseCost {
    int64_t frames = 0;
    int64_t maxAllocations = 0;
    int64_t totalAllocations = 0;
    int64_t framesWithAllocations = 0;
    double totalMs = 0;
    double peakMiB = 0;   // by the end of the phase
};

// Keys of a short tour, in frames after the first menu frame.
struct TourKey {
    int frame;
    int32_t key;
    bool down;
};
constexpr TourKey TOUR[] = {
    {30, VK_DOWN, true},    {36, VK_DOWN, false},    {42, VK_SPACE, true},  {48, VK_SPACE, false},
    {90, VK_UP, true},      {96, VK_UP, false},      {100, VK_UP, true},    {106, VK_UP, false},
    {110, VK_RETURN, true}, {116, VK_RETURN, false}, {160, VK_ESCAPE, true},
};

void BM_WholeShowHeadless(benchmark::State& state) {
    if (!HaveData()) {
        state.SkipWithError("no data/phatfunk.mod in the build folder");
        return;
    }
    if (chdir(BUILD_DIR.c_str()) != 0) {
        state.SkipWithError("cannot enter the build folder");
        return;
    }
    constexpr int FPS = 60;
    // The high-water mark after each start-up step says where the memory goes.
    WindowHandle window = CreateDisplayWindow(640, 480, 1, nullptr);
    state.counters["peak_window_MiB"] = PeakMiB();
    OwnedScene scene(window ? LoadScene() : nullptr);
    state.counters["peak_scene_MiB"] = PeakMiB();
    bool started = scene && StartMusic(MUSIC_MODULE_PATH);
    state.counters["peak_music_MiB"] = PeakMiB();
    if (!started) {
        state.SkipWithError("start-up failed");
        return;
    }
    std::array<PhaseCost, 5> costs{};
    int64_t firstMenuFrame = -1;

    for (auto _ : state) {
        SetVirtualClock(0.0);
        ShowState show = StartShow();
        // A frame's own work: pump, input, step, draws, swap. The music and the keys
        // of the next frame are left out.
        for (int64_t frame = 0; !ShowOver(show); ++frame) {
            int64_t allocationsBefore = Allocations.load();
            auto frameStart = std::chrono::steady_clock::now();
            if (ShowTakesInput(show)) PumpMessages();
            Frame shown = StepShow(show, ReadFrameInput());
            DrawFrameCalls(*scene, shown.calls);
            SetMusicLevel(shown.musicLevel);
            PresentFrame();
            auto now = std::chrono::steady_clock::now();
            int64_t allocations = Allocations.load() - allocationsBefore;

            PhaseCost& cost = costs[static_cast<int>(shown.status.phase)];
            ++cost.frames;
            cost.peakMiB = PeakMiB();
            cost.maxAllocations = std::max(cost.maxAllocations, allocations);
            cost.totalAllocations += allocations;
            if (allocations > 0) ++cost.framesWithAllocations;
            cost.totalMs += std::chrono::duration<double, std::milli>(now - frameStart).count();

            if (shown.status.phase == ShowPhase::MENU && firstMenuFrame < 0) firstMenuFrame = frame;
            if (firstMenuFrame >= 0)
                for (const TourKey& k : TOUR)
                    if (frame - firstMenuFrame == k.frame) ScriptKey(k.key, k.down);
            SetVirtualClock((frame + 1) * 1000.0 / FPS);
            RenderMusicUntil((frame + 1) * MUSIC_MIX_RATE / FPS, nullptr);
        }
    }
    StopMusic();
    scene.reset();
    CloseDisplayWindow(window);

    const char* names[] = {"none", "intro", "menu", "outro", "done"};
    for (int phase = 1; phase <= 3; ++phase) {
        const PhaseCost& c = costs[phase];
        std::string name = names[phase];
        state.counters[name + "_frames"] = static_cast<double>(c.frames);
        state.counters[name + "_max_allocs_per_frame"] = static_cast<double>(c.maxAllocations);
        state.counters[name + "_frames_with_allocs"] = static_cast<double>(c.framesWithAllocations);
        state.counters[name + "_ms_per_frame"] = c.frames ? c.totalMs / c.frames : 0;
        state.counters[name + "_peak_MiB"] = c.peakMiB;
    }
    state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(BM_WholeShowHeadless)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
