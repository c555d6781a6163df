// invitation-capture as its users run it, from the build folder.
#include "tools/capture/capture_output.h"
#include "tools/capture/png_file.h"
#include "tests/support/frame_compare.h"
#include "tests/support/scratch_folder.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status;
    std::string messages;   // standard error; the show's order notices on standard output are dropped
};

Outcome RunCommand(const std::string& command) {
    Outcome outcome{-1, ""};
    std::FILE* pipe = popen((command + " 2>&1 >/dev/null").c_str(), "r");
    if (!pipe) return outcome;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.messages.append(buffer, got);
    int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

Outcome RunTool(const std::string& arguments, const std::string& environment = "") {
    return RunCommand(environment + " " + CAPTURE_TOOL + " " + arguments);
}

fs::path TempDir(const char* name) {
    fs::path dir = fs::temp_directory_path() / ("capture-tool-" + std::string(name) + "-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

fs::path WriteScript(const fs::path& dir, const std::string& text) {
    fs::path path = dir / "keys.txt";
    std::ofstream(path) << text;
    return path;
}

bool HaveData() { return fs::is_regular_file("data/phatfunk.mod"); }

#define SKIP_WITHOUT_DATA() \
    if (!HaveData()) GTEST_SKIP() << "no data folder in " << fs::current_path() << ": build it first"

struct LogLine {
    int64_t frame;
    double milliseconds;
    std::string phase;
    int order, row, entry, page, position;
};

std::vector<LogLine> ReadLog(const fs::path& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    EXPECT_EQ(line, "frame,time_ms,phase,order,row,entry,page,position");
    std::vector<LogLine> lines;
    while (std::getline(file, line)) {
        std::replace(line.begin(), line.end(), ',', ' ');
        std::istringstream fields(line);
        LogLine l;
        fields >> l.frame >> l.milliseconds >> l.phase >> l.order >> l.row >> l.entry >> l.page >> l.position;
        EXPECT_FALSE(fields.fail()) << line;
        lines.push_back(l);
    }
    return lines;
}

// True when columns [x0, x1) of a frame of the given size are all black.
bool IsBlack(const fs::path& png, int32_t expectWidth = 640, int32_t expectHeight = 480, int32_t x0 = 0,
             int32_t x1 = -1) {
    std::vector<uint8_t> rgb;
    int32_t width = 0, height = 0;
    EXPECT_TRUE(ReadPngRgb(png.string(), &rgb, &width, &height)) << png;
    EXPECT_EQ(width, expectWidth);
    EXPECT_EQ(height, expectHeight);
    if (x1 < 0) x1 = width;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = x0; x < x1; ++x)
            for (int c = 0; c < 3; ++c)
                if (rgb[(static_cast<size_t>(y) * width + x) * 3 + c] != 0) return false;
    return true;
}

// key=value lines of ffprobe for one stream.
std::map<std::string, std::string> Probe(const fs::path& video, const char* stream) {
    std::string command = std::string("ffprobe -v error -select_streams ") + stream +
                          " -show_entries stream=codec_name,width,height,r_frame_rate,pix_fmt,sample_rate,channels,"
                          "duration,nb_frames -show_entries format=format_name -of default=nw=1 " +
                          Quote(video);
    std::map<std::string, std::string> values;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return values;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        size_t equals = text.find('=');
        if (equals != std::string::npos) values[text.substr(0, equals)] = text.substr(equals + 1);
    }
    pclose(pipe);
    return values;
}

TEST(CaptureTool, RefusesBadInputBeforeRendering) {
    fs::path dir = TempDir("refuse");
    fs::path script = WriteScript(dir, "# tour\n100 space down\n200 spacebar up\n");
    fs::path out = dir / "show.mp4";
    fs::create_directories(dir / "old.mp4");
    // A key script that is a FIFO would wait for a writer for ever.
    ASSERT_EQ(mkfifo((dir / "fifo.keys").c_str(), 0600), 0);
    // An earlier capture's folder is never mixed with a new one.
    fs::create_directories(dir / "frames");
    std::ofstream(dir / "frames" / "keep.png") << "an older frame";
    struct Case {
        std::string arguments;
        std::string environment;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"--keys " + Quote(script) + " --out " + Quote(out), "", 1, "line 3: unknown key \"spacebar\""},
        {"--keys " + Quote(dir / "none.keys") + " --out " + Quote(out), "", 1, "cannot read"},
        {"--out " + Quote(dir / "show.avi"), "", 1, "the name must end in .mp4 or .mkv"},
        {"--out " + Quote(out), "PATH=" + (dir / "bin").string(), 1, "install the Debian package ffmpeg"},
        {"--out " + Quote(dir / "none" / "show.mp4"), "", 1, "none/show.mp4: No such file or directory"},
        {"--out " + Quote(dir / "old.mp4"), "", 1, "old.mp4: it is a folder"},
        {"--keys " + Quote(dir / "old.mp4"), "", 1, "cannot read " + (dir / "old.mp4").string() + ": it is a folder"},
        {"--keys " + Quote(dir / "fifo.keys"), "", 1, "fifo.keys: it is not a regular file"},
        {"--frames-dir " + Quote(dir / "frames"), "", 1, "frames already holds files"},
        {"--frames-dir " + Quote(dir / "keys.txt"), "", 1, "keys.txt: it is not a folder"},
        {"--frames-dir " + Quote(dir / "none" / "frames"), "", 1, "none/frames: No such file or directory"},
        {"--frames-dir " + Quote(dir / "new") + " --log " + Quote(dir / "old.mp4"), "", 1,
         "old.mp4: it is a folder"},
        {"--fps 0", "", 2, "--fps takes a whole number from 1 to 1000"},
        {"--bogus", "", 2, "unknown option --bogus"},
        {"--size 641x480", "", 2, "--size takes WIDTHxHEIGHT"},
        {"--data " + Quote(dir / "none") + " --out " + Quote(out), "", 1, "data folder " + (dir / "none").string()},
    };
    for (const Case& c : cases) {
        Outcome outcome = RunTool(c.arguments, c.environment + " /usr/bin/timeout 20");
        EXPECT_EQ(outcome.status, c.status) << c.arguments << "\n" << outcome.messages;
        EXPECT_NE(outcome.messages.find(c.message), std::string::npos) << outcome.messages;
        // Nothing was rendered: no picture was loaded, no file was made.
        EXPECT_EQ(outcome.messages.find("texture"), std::string::npos) << outcome.messages;
        EXPECT_EQ(FolderEntries(dir), (std::vector<std::string>{"fifo.keys", "frames", "keys.txt", "old.mp4"}))
            << c.arguments;
        EXPECT_TRUE(fs::is_empty(dir / "old.mp4"));
        EXPECT_EQ(FolderEntries(dir / "frames"), std::vector<std::string>{"keep.png"});
    }
    fs::remove_all(dir);
}

TEST(CaptureTool, FramesAndLogAgreeOnTheTour) {
    SKIP_WITHOUT_DATA();
    fs::path dir = TempDir("tour");
    fs::path frames = dir / "frames";
    fs::path log = dir / "log.csv";
    Outcome outcome = RunTool("--fps 5 --frames-dir " + Quote(frames) + " --log " + Quote(log));
    ASSERT_EQ(outcome.status, 0) << outcome.messages;
    EXPECT_NE(outcome.messages.find("fps, in"), std::string::npos) << outcome.messages;

    std::vector<LogLine> lines = ReadLog(log);
    ASSERT_GT(lines.size(), 100u);
    EXPECT_EQ(FolderEntries(frames).size(), lines.size() + 1);   // the frames and audio.wav
    EXPECT_EQ(fs::file_size(frames / "audio.wav"), 44 + 4 * static_cast<uintmax_t>(FrameFirstSample(lines.size(), 5)));

    // Phases intro, menu, outro, each once, in this order.
    std::vector<std::string> phases;
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].frame, static_cast<int64_t>(i));
        EXPECT_NEAR(lines[i].milliseconds, i * 200.0, 0.0005);
        if (phases.empty() || phases.back() != lines[i].phase) phases.push_back(lines[i].phase);
    }
    ASSERT_EQ(phases, (std::vector<std::string>{"intro", "menu", "outro"}));
    // The intro ends in the frame in which the order first reads 1.
    size_t menu = 0;
    while (lines[menu].phase == "intro") ++menu;
    for (size_t i = 0; i + 1 < menu; ++i) EXPECT_EQ(lines[i].order, 0) << "frame " << i;
    EXPECT_EQ(lines[menu - 1].order, 1);

    // The pictures follow the log: an empty screen before the logo's first
    // row, the logo from it on (the last intro frame too, whatever its row),
    // the menu's backdrop, and a black last frame.
    for (size_t i = 0; i < menu; ++i)
        EXPECT_EQ(IsBlack(frames / FrameFileName(i)), lines[i].order == 0 && lines[i].row < 4)
            << "frame " << i << " row " << lines[i].row;
    EXPECT_FALSE(IsBlack(frames / FrameFileName(menu)));
    EXPECT_TRUE(IsBlack(frames / FrameFileName(lines.size() - 1)));
    fs::remove_all(dir);
}

TEST(CaptureTool, TwoRunsGiveTheSameFramesAndSound) {
    SKIP_WITHOUT_DATA();
    fs::path dir = TempDir("twice");
    fs::path script = WriteScript(dir, "0 escape down\n");
    fs::create_directories(dir / "a");   // an empty folder takes the frames
    for (const char* run : {"a", "b"}) {
        Outcome outcome = RunTool("--fps 5 --keys " + Quote(script) + " --frames-dir " + Quote(dir / run));
        ASSERT_EQ(outcome.status, 0) << outcome.messages;
    }
    std::vector<std::string> names = FolderEntries(dir / "a");
    ASSERT_EQ(names, FolderEntries(dir / "b"));
    ASSERT_GT(names.size(), 40u);
    for (const std::string& name : names)
        EXPECT_TRUE(FileContents(dir / "a" / name) == FileContents(dir / "b" / name)) << name << " differs";
    // Only some frames: the same files as the whole run's, the sound whole.
    Outcome some = RunTool("--fps 5 --keys " + Quote(script) + " --frames-dir " + Quote(dir / "c") +
                           " --only-frames 40,6,0,5");
    ASSERT_EQ(some.status, 0) << some.messages;
    std::vector<std::string> picked = {"audio.wav", FrameFileName(0), FrameFileName(5), FrameFileName(6),
                                       FrameFileName(40)};
    std::sort(picked.begin(), picked.end());
    ASSERT_EQ(FolderEntries(dir / "c"), picked);
    for (const std::string& name : picked)
        EXPECT_TRUE(FileContents(dir / "a" / name) == FileContents(dir / "c" / name)) << name << " differs";
    // The encoded video too.
    for (const char* run : {"a.mkv", "b.mkv"}) {
        Outcome outcome = RunTool("--fps 5 --keys " + Quote(script) + " --out " + Quote(dir / run));
        ASSERT_EQ(outcome.status, 0) << outcome.messages;
    }
    EXPECT_TRUE(FileContents(dir / "a.mkv") == FileContents(dir / "b.mkv"));
    fs::remove_all(dir);
}

TEST(CaptureTool, EncoderThatFailsLeavesNoVideo) {
    SKIP_WITHOUT_DATA();
    fs::path dir = TempDir("encoder");
    fs::create_directories(dir / "bin");
    // Takes a few frames, then fails as an encoder with a full disk would.
    std::ofstream(dir / "bin" / "ffmpeg") << "#!/bin/sh\nhead -c 5000000 >/dev/null\necho encoder failed >&2\nexit 3\n";
    fs::permissions(dir / "bin" / "ffmpeg", fs::perms::owner_all);
    Outcome outcome = RunTool("--out " + Quote(dir / "show.mp4"), "PATH=" + (dir / "bin").string() + ":/usr/bin:/bin");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.messages.find("encoder failed"), std::string::npos) << outcome.messages;
    EXPECT_NE(outcome.messages.find("ffmpeg stopped taking frames"), std::string::npos) << outcome.messages;
    EXPECT_EQ(FolderEntries(dir), std::vector<std::string>{"bin"});
    fs::remove_all(dir);
}

TEST(CaptureTool, RunsFromAnyFolderWithTheDataBesideIt) {
    SKIP_WITHOUT_DATA();
    fs::path dir = TempDir("elsewhere");
    WriteScript(dir, "0 escape down\n");
    Outcome outcome = RunCommand("cd " + Quote(dir) + " && " + CAPTURE_TOOL +
                                 " --fps 2 --keys keys.txt --frames-dir frames --log log.csv");
    ASSERT_EQ(outcome.status, 0) << outcome.messages;
    // The names given are where it was run; the data folder is the build folder's.
    EXPECT_TRUE(fs::is_regular_file(dir / "frames" / "audio.wav"));
    EXPECT_TRUE(fs::is_regular_file(dir / "frames" / FrameFileName(0)));
    EXPECT_GT(ReadLog(dir / "log.csv").size(), 20u);
    fs::remove_all(dir);
}

// Another size: the whole frame is written, the 4:3 picture centred between black bars;
// the data folder named with --data, the tool run from another folder.
TEST(CaptureTool, AnySizeWritesTheWholeFrameWithThePictureCentred) {
    SKIP_WITHOUT_DATA();
    fs::path dir = TempDir("size");
    fs::path data = fs::absolute("data");
    WriteScript(dir, "0 escape down\n");
    Outcome outcome = RunCommand("cd " + Quote(dir) + " && " + CAPTURE_TOOL + " --size 320x180 --data " +
                                 Quote(data) + " --fps 5 --keys keys.txt --frames-dir frames --log log.csv");
    ASSERT_EQ(outcome.status, 0) << outcome.messages;
    std::vector<LogLine> lines = ReadLog(dir / "log.csv");
    ASSERT_GT(lines.size(), 40u);
    // The whole logo, in the frame before the intro's last (in which the row starts again at 0):
    // inside the picture (x 40 to 280), never in the bars.
    size_t logo = 0;
    while (lines[logo + 2].phase == "intro") ++logo;
    ASSERT_GE(lines[logo].row, 16);
    fs::path frame = dir / "frames" / FrameFileName(logo);
    EXPECT_TRUE(IsBlack(frame, 320, 180, 0, 40));
    EXPECT_TRUE(IsBlack(frame, 320, 180, 280, 320));
    EXPECT_FALSE(IsBlack(frame, 320, 180, 40, 280));
    if (!FindProgram("ffprobe", std::getenv("PATH") ? std::getenv("PATH") : "").empty()) {
        outcome = RunCommand("cd " + Quote(dir) + " && " + CAPTURE_TOOL + " --size 320x180 --data " + Quote(data) +
                             " --fps 5 --keys keys.txt --out show.mkv");
        ASSERT_EQ(outcome.status, 0) << outcome.messages;
        std::map<std::string, std::string> video = Probe(dir / "show.mkv", "v:0");
        EXPECT_EQ(video["width"], "320");
        EXPECT_EQ(video["height"], "180");
        // The video's picture is the frame's, colours and all, as a player decodes it.
        outcome = RunCommand("cd " + Quote(dir) + " && ffmpeg -v error -i show.mkv -vf 'select=eq(n\\," +
                             std::to_string(logo) + ")' -frames:v 1 decoded.png");
        ASSERT_EQ(outcome.status, 0) << outcome.messages;
        RgbPicture decoded, rendered;
        ASSERT_TRUE(ReadPngRgb((dir / "decoded.png").string(), &decoded.rgb, &decoded.width, &decoded.height));
        ASSERT_TRUE(ReadPngRgb(frame.string(), &rendered.rgb, &rendered.width, &rendered.height));
        FrameDifference difference = CompareFrames(decoded, rendered);
        // H.264 and the chroma at half size leave about 1.5 on average here, and
        // some outliers at sharp coloured edges.
        EXPECT_LT(difference.mean, 2.5);
        EXPECT_LT(difference.overQuarter, 0.001);
    }
    fs::remove_all(dir);
}

TEST(CaptureTool, OrderNoticesStayOffATerminal) {
    SKIP_WITHOUT_DATA();
    fs::path dir = TempDir("terminal");
    WriteScript(dir, "0 escape down\n");
    std::string capture = "rm -rf frames && " + std::string(CAPTURE_TOOL) + " --fps 2 --keys keys.txt --frames-dir frames";
    // script(1) runs the tool on a terminal of its own and keeps what was written there.
    for (const std::string redirect : {"", " 2>/dev/null"}) {
        SCOPED_TRACE("standard output on a terminal, standard error" + redirect);
        Outcome outcome = RunCommand("cd " + Quote(dir) + " && script -qec " + Quote(capture + redirect) +
                                     " terminal.txt");
        ASSERT_EQ(outcome.status, 0) << outcome.messages;
        std::string terminal = FileContents(dir / "terminal.txt");
        EXPECT_EQ(terminal.find("Order Callback"), std::string::npos) << terminal;
    }
    // Written to a file, they are kept.
    Outcome outcome = RunCommand("(cd " + Quote(dir) + " && " + capture + " >notices.txt)");
    ASSERT_EQ(outcome.status, 0) << outcome.messages;
    EXPECT_NE(FileContents(dir / "notices.txt").find("Order Callback"), std::string::npos);
    fs::remove_all(dir);
}

// Twice the size with the pictures drawn at scale 2: averaged down, a menu frame
// with a page is the frame at 640 x 480 with data/. Glyphs hinted at each size and
// the texel rows the small page panel shows twice (a line below one stands a pixel
// lower) differ at edges: today 1.05 levels on average and 0.38% of the channels
// more than 64 apart; the composition drifting would move far more.
TEST(CaptureTool, TwiceTheSizeWithPicturesAtScaleTwoShowsTheSameFrame) {
    SKIP_WITHOUT_DATA();
    fs::path dir = TempDir("scale");
    Outcome built = RunCommand(std::string(DATA_TOOL) + " build " + Quote(dir / "data-2x") + " --scale 2");
    ASSERT_EQ(built.status, 0) << built.messages;
    // Into the menu, one entry down and its page open; settled from 10 s on.
    WriteScript(dir, "9000 down down\n9100 down up\n9400 space down\n9500 space up\n"
                     "12000 escape down\n12100 escape up\n");
    RgbPicture frames[2];
    for (int32_t scale : {1, 2}) {
        const std::string data = scale == 1 ? fs::absolute("data").string() : (dir / "data-2x").string();
        const std::string frameDir = "frames-" + std::to_string(scale);
        Outcome outcome = RunCommand("cd " + Quote(dir) + " && " + CAPTURE_TOOL + " --size " +
                                     std::to_string(640 * scale) + "x" + std::to_string(480 * scale) + " --data " +
                                     Quote(data) + " --fps 1 --keys keys.txt --frames-dir " + frameDir);
        ASSERT_EQ(outcome.status, 0) << outcome.messages;
        RgbPicture& frame = frames[scale - 1];
        ASSERT_TRUE(ReadPngRgb((dir / frameDir / FrameFileName(11)).string(), &frame.rgb, &frame.width, &frame.height));
        ASSERT_EQ(frame.width, 640 * scale);
    }
    const FrameDifference difference = CompareFrames(AverageDown(frames[1], 2), frames[0]);
    EXPECT_LE(difference.mean, 1.5);
    EXPECT_LE(difference.overQuarter, 0.01);
    if (HasFailure()) {
        std::string error;
        const RgbPicture reduced = AverageDown(frames[1], 2);
        WritePngRgb(dir.string() + "-640.png", frames[0].rgb.data(), 640, 480, &error);
        WritePngRgb(dir.string() + "-1280-averaged.png", reduced.rgb.data(), 640, 480, &error);
        ADD_FAILURE() << "see " << dir.string() << "-640.png and " << dir.string() << "-1280-averaged.png";
    }
    fs::remove_all(dir);
}

TEST(CaptureTool, VideoHasPictureAndSoundOfTheSameLength) {
    SKIP_WITHOUT_DATA();
    if (FindProgram("ffprobe", std::getenv("PATH") ? std::getenv("PATH") : "").empty())
        GTEST_SKIP() << "no ffprobe";
    fs::path dir = TempDir("video");
    fs::path script = WriteScript(dir, "0 escape down\n");   // intro and outro only
    struct Case {
        const char* name;
        int fps;
        const char* rate;
        const char* format;
    };
    for (const Case& c : {Case{"show.mp4", 60, "60/1", "mov,mp4"}, Case{"show.mkv", 5, "5/1", "matroska"}}) {
        fs::path log = dir / "log.csv";
        // use_tls=0: at the exit of a capture that encodes a video, GCC 12's leak checker
        // crashes reading the main thread's dynamic TLS (llvmpipe's JIT leaves it) before
        // it reports anything; nothing of ours lives in thread-local storage.
        Outcome outcome = RunTool("--fps " + std::to_string(c.fps) + " --keys " + Quote(script) + " --out " +
                                      Quote(dir / c.name) + " --log " + Quote(log),
                                  "LSAN_OPTIONS=\"use_tls=0:$LSAN_OPTIONS\"");
        ASSERT_EQ(outcome.status, 0) << outcome.messages;
        size_t frames = ReadLog(log).size();

        std::map<std::string, std::string> video = Probe(dir / c.name, "v:0");
        EXPECT_EQ(video["codec_name"], "h264");
        EXPECT_EQ(video["width"], "640");
        EXPECT_EQ(video["height"], "480");
        EXPECT_EQ(video["pix_fmt"], "yuv420p");
        EXPECT_EQ(video["r_frame_rate"], c.rate);
        EXPECT_EQ(video["format_name"].rfind(c.format, 0), 0u) << video["format_name"];
        std::map<std::string, std::string> audio = Probe(dir / c.name, "a:0");
        EXPECT_EQ(audio["codec_name"], "aac");
        EXPECT_EQ(audio["sample_rate"], "44100");
        EXPECT_EQ(audio["channels"], "2");
        if (c.fps == 60) {
            EXPECT_EQ(video["nb_frames"], std::to_string(frames));
            double videoSeconds = std::stod(video["duration"]);
            EXPECT_NEAR(videoSeconds, frames / 60.0, 0.001);
            EXPECT_NEAR(std::stod(audio["duration"]), videoSeconds, 0.03);
        }
        fs::remove(log);
    }
    // Nothing but the finished videos and the script is left.
    EXPECT_EQ(FolderEntries(dir), (std::vector<std::string>{"keys.txt", "show.mkv", "show.mp4"}));
    fs::remove_all(dir);
}

TEST(CaptureTool, ShowThatNeverEndsIsAnErrorAndLeavesNoVideo) {
    SKIP_WITHOUT_DATA();
    fs::path dir = TempDir("limit");
    fs::path script = WriteScript(dir, "# never escapes\n");
    fs::path out = dir / "show.mp4";
    std::ofstream(out) << "an older video";
    Outcome outcome = RunTool("--limit 1.5 --keys " + Quote(script) + " --out " + Quote(out));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.messages.find("the show did not end within 1.5 s of show time"), std::string::npos)
        << outcome.messages;
    // The video of an earlier run stays as it was; no unfinished file is left beside it.
    EXPECT_EQ(FolderEntries(dir), (std::vector<std::string>{"keys.txt", "show.mp4"}));
    EXPECT_EQ(FileContents(out), "an older video");
    fs::remove_all(dir);
}

// A capture into folder "frames" that fails on a full disk, or is stopped by
// SIGINT or SIGTERM, leaves the folder and the log as they were before.
TEST(CaptureTool, FramesFolderAndLogAppearOnlyWhenComplete) {
    SKIP_WITHOUT_DATA();
    fs::path dir = TempDir("unfinished");
    fs::path script = WriteScript(dir, "0 escape down\n");
    fs::path seed = dir / "seed", disk = dir / "disk";
    fs::create_directories(seed / "frames");   // empty: the capture would replace it
    std::ofstream(seed / "log.csv") << "an older log";
    fs::create_directories(disk);
    const std::string arguments = "--fps 5 --keys " + Quote(script) + " --frames-dir " + Quote(disk / "frames") +
                                  " --log " + Quote(disk / "log.csv");
    // What is left, as on-full-disk lists it: the two as they were.
    fs::path listing = dir / "listing.txt";

    // 1 MiB: enough to start, not for the frames and the sound.
    Outcome full = RunCommand("(" + std::string(ON_FULL_DISK) + " 1024 " + Quote(seed) + " " + Quote(disk) + " " +
                              CAPTURE_TOOL + " " + arguments + " >" + Quote(listing) + ")");
    EXPECT_EQ(full.status, 1) << full.messages;
    EXPECT_NE(full.messages.find("invitation-capture: cannot write"), std::string::npos) << full.messages;
    // The listing follows the show's order notices.
    std::string left = FileContents(listing);
    left = left.substr(std::min(left.size(), left.find("./")));
    EXPECT_EQ(left, "./frames\n./log.csv 12 50dee69d33216a4d3d460caae13c3de4\n");   // as they were

    for (const char* signalName : {"INT", "TERM"}) {
        fs::remove_all(disk);
        fs::copy(seed, disk, fs::copy_options::recursive);
        // Stopped once the unfinished folder holds a few frames.
        Outcome stopped = RunCommand("(" + std::string(CAPTURE_TOOL) + " " + arguments + " & pid=$!; " +
                                     "for i in $(seq 300); do [ -e " + Quote(disk) +
                                     "/.frames.part-$pid/frame-000005.png ] && break; sleep 0.1; done; kill -" +
                                     signalName + " $pid; wait $pid)");
        EXPECT_EQ(stopped.status, 130) << signalName << "\n" << stopped.messages;
        EXPECT_NE(stopped.messages.find("invitation-capture: interrupted; " + (disk / "frames").string() +
                                        " not written"),
                  std::string::npos)
            << stopped.messages;
        EXPECT_EQ(FolderEntries(disk), (std::vector<std::string>{"frames", "log.csv"})) << signalName;
        EXPECT_TRUE(fs::is_empty(disk / "frames"));
        EXPECT_EQ(FileContents(disk / "log.csv"), "an older log");
    }
    fs::remove_all(dir);
}

}  // namespace
