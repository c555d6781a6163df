// The live program on an X display and the capture draw the same show: a
// settled menu state reached by keys in both must give the same picture.
// Runs under tests/support/with-xvfb 640x480, from the build folder.
#include "tools/capture/capture_output.h"
#include "tools/capture/png_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// From a settled menu, `base` ms into the show: down to position 4 and open
// entry 2, up to position 3 and turn to page 1. 2500 ms after `base` the
// cross-fade, the lit button and the pointer's glide are over.
std::string MenuKeys(int base) {
    std::string keys;
    const struct {
        int at;
        const char* event;
    } events[] = {{0, "down down"},   {100, "down up"},   {500, "space down"},  {600, "space up"},
                  {1000, "up down"},  {1100, "up up"},    {1500, "space down"}, {1600, "space up"},
                  {3500, "escape down"}};
    for (const auto& e : events) keys += std::to_string(base + e.at) + " " + e.event + "\n";
    return keys;
}
constexpr int CAPTURE_FPS = 4;
// The presses as the live program gets them, in the same order.
constexpr const char* LIVE_KEYS[] = {"Down", "space", "Up", "space"};

bool ReadPpm(const fs::path& path, std::vector<uint8_t>* rgb, int* width, int* height) {
    std::ifstream file(path, std::ios::binary);
    std::string magic;
    int maximum = 0;
    file >> magic >> *width >> *height >> maximum;
    file.get();
    if (!file || magic != "P6" || maximum != 255 || *width <= 0 || *height <= 0) return false;
    rgb->resize(static_cast<size_t>(*width) * *height * 3);
    file.read(reinterpret_cast<char*>(rgb->data()), static_cast<std::streamsize>(rgb->size()));
    return static_cast<size_t>(file.gcount()) == rgb->size();
}

int RunShell(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Starts the live program with its standard error in `trace`.
pid_t StartLiveProgram(const fs::path& trace) {
    pid_t pid = fork();
    if (pid == 0) {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("LD_PRELOAD", FIRST_SWAP_TRACE, 1);
        // The sanitizers' runtime then no longer comes first, which is harmless here.
        setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 1);
        int nothing = open("/dev/null", O_WRONLY);
        int err = open(trace.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(nothing, 1);
        dup2(err, 2);
        execl(LIVE_PROGRAM, LIVE_PROGRAM, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

bool Running(pid_t pid) { return waitpid(pid, nullptr, WNOHANG) == 0; }

void Stop(pid_t pid) {
    kill(pid, SIGTERM);
    for (int i = 0; i < 100 && Running(pid); ++i) std::this_thread::sleep_for(100ms);
    if (Running(pid)) kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

// Runs the capture with `keys` into dir/name; returns its log, one line a frame.
std::vector<std::string> Capture(const fs::path& dir, const std::string& name, const std::string& keys) {
    fs::path script = dir / (name + ".keys"), log = dir / (name + ".csv");
    std::ofstream(script) << keys;
    std::string command = std::string(CAPTURE_TOOL) + " --fps " + std::to_string(CAPTURE_FPS) + " --keys '" +
                          script.string() + "' --frames-dir '" + (dir / name).string() + "' --log '" + log.string() +
                          "' >/dev/null";
    EXPECT_EQ(RunShell(command), 0) << command;
    std::istringstream text(ReadFile(log));
    std::vector<std::string> lines;
    std::string line;
    std::getline(text, line);   // the header
    while (std::getline(text, line)) lines.push_back(line);
    return lines;
}

TEST(LiveEqualsCapture, SettledMenuLooksTheSame) {
    if (!fs::is_regular_file("data/phatfunk.mod"))
        GTEST_SKIP() << "no data folder in " << fs::current_path() << ": build it first";
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    const char* path = std::getenv("PATH");
    for (const char* program : {"xdotool", "import"})
        if (FindProgram(program, path ? path : "").empty()) GTEST_SKIP() << "no " << program;

    fs::path dir = fs::temp_directory_path() / ("live-equals-capture-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);

    // The capture first. Straight to the outro, its log says when the intro ends.
    std::vector<std::string> log = Capture(dir, "intro", "0 escape down\n");
    double introEnd = -1;
    for (const std::string& line : log)
        if (introEnd < 0 && line.find(",outro,") != std::string::npos)
            introEnd = std::stod(line.substr(line.find(',') + 1));
    ASSERT_GE(introEnd, 0);
    // Then keys from a whole second at least two seconds into the menu.
    int base = (static_cast<int>(introEnd) / 1000 + 3) * 1000;
    int beforeKeysFrame = (base - 250) * CAPTURE_FPS / 1000;   // what a live program that missed the keys shows
    int settledFrame = (base + 2500) * CAPTURE_FPS / 1000;
    log = Capture(dir, "menu", MenuKeys(base));
    ASSERT_GT(log.size(), static_cast<size_t>(settledFrame));
    const std::string& settled = log[settledFrame];
    ASSERT_EQ(settled.substr(settled.find(',', settled.find(',') + 1)), ",menu,-1,-1,2,1,3") << settled;
    const std::string& before = log[beforeKeysFrame];
    ASSERT_EQ(before.substr(before.find(',', before.find(',') + 1)), ",menu,-1,-1,0,0,3") << before;

    // The live program, shown the same keys once its menu is up.
    pid_t live = StartLiveProgram(dir / "trace.txt");
    auto started = std::chrono::steady_clock::now();
    while (ReadFile(dir / "trace.txt").find("first-frame") == std::string::npos) {
        ASSERT_TRUE(Running(live)) << ReadFile(dir / "trace.txt");
        ASSERT_LT(std::chrono::steady_clock::now() - started, 60s) << "no first frame";
        std::this_thread::sleep_for(20ms);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(base));
    for (const char* key : LIVE_KEYS) {
        // Held over several frames, as the menu takes a key on its release.
        ASSERT_EQ(RunShell(std::string("xdotool keydown ") + key), 0);
        std::this_thread::sleep_for(250ms);
        ASSERT_EQ(RunShell(std::string("xdotool keyup ") + key), 0);
        std::this_thread::sleep_for(250ms);
    }
    std::this_thread::sleep_for(1500ms);
    bool running = Running(live);
    int shot = RunShell("import -window root -depth 8 'ppm:" + (dir / "live.ppm").string() + "'");
    Stop(live);
    ASSERT_TRUE(running) << ReadFile(dir / "trace.txt");
    ASSERT_EQ(shot, 0);

    std::vector<uint8_t> screen, frame;
    int screenWidth = 0, screenHeight = 0;
    int32_t frameWidth = 0, frameHeight = 0;
    ASSERT_TRUE(ReadPpm(dir / "live.ppm", &screen, &screenWidth, &screenHeight));
    ASSERT_TRUE(
        ReadPngRgb((dir / "menu" / FrameFileName(settledFrame)).string(), &frame, &frameWidth, &frameHeight));
    ASSERT_EQ(screenWidth, 640);
    ASSERT_EQ(screenHeight, 480);
    ASSERT_EQ(frameWidth, 640);
    ASSERT_EQ(frameHeight, 480);

    // The keys change the picture, so a live program that missed them would not pass.
    std::vector<uint8_t> unmoved;
    ASSERT_TRUE(
        ReadPngRgb((dir / "menu" / FrameFileName(beforeKeysFrame)).string(), &unmoved, &frameWidth, &frameHeight));
    ASSERT_NE(unmoved, frame);

    int worst = 0;
    size_t worstAt = 0, differing = 0;
    for (size_t i = 0; i < screen.size(); ++i) {
        int difference = std::abs(screen[i] - frame[i]);
        if (difference > 1) ++differing;
        if (difference > worst) worst = difference, worstAt = i;
    }
    if (worst > 1) {
        fs::path keep = fs::current_path() / "capture-live-equals-capture";
        fs::create_directories(keep);
        std::string error;
        std::string actual = (keep / "live.png").string(), expected = (keep / "capture.png").string();
        WritePngRgb(actual, screen.data(), 640, 480, &error);
        WritePngRgb(expected, frame.data(), 640, 480, &error);
        ADD_FAILURE() << differing << " channel values differ by more than 1, the worst by " << worst << " at x "
                      << worstAt / 3 % 640 << " y " << worstAt / 3 / 640 << "\nlive screen: " << actual
                      << "\ncapture frame: " << expected;
    }
    fs::remove_all(dir);
}

}  // namespace
