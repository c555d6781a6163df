// The live program on an X display and the capture draw the same show: a
// settled menu state reached by keys in both must give the same picture.
// Runs under tests/support/with-xvfb 640x480, from the build folder.
#include "tools/capture/capture_output.h"

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

// Down to position 4 and open entry 2, up to position 3 and turn to page 1;
// by 17500 ms the cross-fade, the lit button and the pointer's glide are over.
constexpr const char* KEYS = "15000 down down\n15100 down up\n"
                             "15500 space down\n15600 space up\n"
                             "16000 up down\n16100 up up\n"
                             "16500 space down\n16600 space up\n"
                             "18500 escape down\n";
constexpr int CAPTURE_FPS = 20;
constexpr int SETTLED_FRAME = 350;   // 17500 ms
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
        setenv("INVITATION_TRACE_FIRST_FRAME", "1", 1);
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
    std::ofstream(dir / "keys.txt") << KEYS;

    // The capture first: its log says when the intro ends and that the state is the one wanted.
    ASSERT_EQ(RunShell(std::string(CAPTURE_TOOL) + " --fps " + std::to_string(CAPTURE_FPS) + " --keys '" +
                  (dir / "keys.txt").string() + "' --frames-dir '" + (dir / "frames").string() + "' --log '" +
                  (dir / "log.csv").string() + "' >/dev/null"),
              0);
    std::istringstream log(ReadFile(dir / "log.csv"));
    std::string line, settled;
    double introEnd = -1;
    for (int index = -1; std::getline(log, line); ++index) {
        if (introEnd < 0 && line.find(",menu,") != std::string::npos) introEnd = std::stod(line.substr(line.find(',') + 1));
        if (index == SETTLED_FRAME) settled = line;
    }
    ASSERT_GE(introEnd, 0);
    ASSERT_LT(introEnd, 14000) << "the keys come before the intro ends";
    ASSERT_EQ(settled.substr(settled.find(',', settled.find(',') + 1)), ",menu,-1,-1,2,1,3") << settled;

    // The live program, shown the same keys once its menu is up.
    pid_t live = StartLiveProgram(dir / "trace.txt");
    auto started = std::chrono::steady_clock::now();
    while (ReadFile(dir / "trace.txt").find("first-frame") == std::string::npos) {
        ASSERT_TRUE(Running(live)) << ReadFile(dir / "trace.txt");
        ASSERT_LT(std::chrono::steady_clock::now() - started, 60s) << "no first frame";
        std::this_thread::sleep_for(20ms);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int>(introEnd)) + 2s);
    for (const char* key : LIVE_KEYS) {
        // Held over several frames, as the menu takes a key on its release.
        ASSERT_EQ(RunShell(std::string("xdotool keydown ") + key), 0);
        std::this_thread::sleep_for(150ms);
        ASSERT_EQ(RunShell(std::string("xdotool keyup ") + key), 0);
        std::this_thread::sleep_for(350ms);
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
    ASSERT_TRUE(ReadPngRgb((dir / "frames" / FrameFileName(SETTLED_FRAME)).string(), &frame, &frameWidth, &frameHeight));
    ASSERT_EQ(screenWidth, 640);
    ASSERT_EQ(screenHeight, 480);
    ASSERT_EQ(frameWidth, 640);
    ASSERT_EQ(frameHeight, 480);

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
