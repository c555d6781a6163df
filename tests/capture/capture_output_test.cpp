// The capture tool's parts that need no show: options, log lines, WAV header,
// PNG files, finding ffmpeg, and the built-in tour.
#include "tools/capture/capture_output.h"
#include "tools/capture/png_file.h"

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::filesystem::path TempDir(const char* name) {
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("capture-test-" + std::string(name) + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

bool Parse(std::vector<const char*> arguments, CaptureOptions* options, std::string* error) {
    arguments.insert(arguments.begin(), "invitation-capture");
    return ParseCaptureArguments(static_cast<int>(arguments.size()), arguments.data(), options, error);
}

TEST(CaptureArguments, DefaultsAndEveryOption) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(Parse({}, &options, &error)) << error;
    EXPECT_EQ(options.out, "invitation.mp4");
    EXPECT_EQ(options.fps, 60);
    EXPECT_TRUE(options.keysPath.empty());
    EXPECT_TRUE(options.framesDir.empty());
    EXPECT_EQ(options.limitSeconds, 600.0);
    EXPECT_EQ(options.width, 640);
    EXPECT_EQ(options.height, 480);
    EXPECT_TRUE(options.dataFolder.empty());

    options = {};
    ASSERT_TRUE(Parse({"--out", "a.mkv", "--fps=30", "--keys", "k.keys", "--log=l.csv", "--limit", "12.5"}, &options,
                      &error))
        << error;
    EXPECT_EQ(options.out, "a.mkv");
    EXPECT_EQ(options.fps, 30);
    EXPECT_EQ(options.keysPath, "k.keys");
    EXPECT_EQ(options.logPath, "l.csv");
    EXPECT_EQ(options.limitSeconds, 12.5);

    options = {};
    ASSERT_TRUE(Parse({"--size", "3840x2160", "--data=data-4x"}, &options, &error)) << error;
    EXPECT_EQ(options.width, 3840);
    EXPECT_EQ(options.height, 2160);
    EXPECT_EQ(options.dataFolder, "data-4x");

    options = {};
    ASSERT_TRUE(Parse({"--frames-dir", "frames"}, &options, &error)) << error;
    EXPECT_EQ(options.framesDir, "frames");
}

TEST(CaptureArguments, BadArgumentsAreRefused) {
    struct Case {
        std::vector<const char*> arguments;
        const char* error;
    };
    const Case cases[] = {
        {{"--fps", "0"}, "--fps takes a whole number from 1 to 1000"},
        {{"--fps", "1001"}, "--fps takes"},
        {{"--fps", "29.97"}, "--fps takes"},
        {{"--fps"}, "--fps needs a value"},
        {{"--out="}, "--out needs a value"},
        {{"--limit", "0"}, "--limit takes"},
        {{"--limit", "nan"}, "--limit takes"},
        {{"--size", "2"}, "--size takes WIDTHxHEIGHT"},
        {{"--size", "1921x1080"}, "--size takes"},   // odd: no 4:2:0 video of it
        {{"--size", "8194x480"}, "--size takes"},
        {{"--size", "0x0"}, "--size takes"},
        {{"--size", "640x480x2"}, "--size takes"},
        {{"--data"}, "--data needs a value"},
        {{"--colour"}, "unknown option --colour"},
        {{"out.mp4"}, "unknown option out.mp4"},
        {{"--out", "a.mp4", "--frames-dir", "f"}, "--out and --frames-dir exclude each other"},
        {{"--frames-dir", "f", "--only-frames", "3,x"}, "--only-frames takes frame numbers"},
        {{"--frames-dir", "f", "--only-frames", "-1"}, "--only-frames takes frame numbers"},
        {{"--frames-dir", "f", "--only-frames", ","}, "--only-frames takes frame numbers"},
        {{"--only-frames", "3"}, "--only-frames needs --frames-dir"},
    };
    for (const Case& c : cases) {
        CaptureOptions options;
        std::string error;
        EXPECT_FALSE(Parse(c.arguments, &options, &error)) << c.arguments[0];
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
}

TEST(CaptureArguments, ContainerFollowsTheExtension) {
    VideoContainer container;
    ASSERT_TRUE(ContainerOfName("dir.x/show.MP4", &container));
    EXPECT_EQ(container, VideoContainer::MP4);
    ASSERT_TRUE(ContainerOfName("show.mkv", &container));
    EXPECT_EQ(container, VideoContainer::MATROSKA);
    EXPECT_FALSE(ContainerOfName("show.avi", &container));
    EXPECT_FALSE(ContainerOfName("mp4", &container));
}

TEST(CaptureLog, HeaderAndLinesHaveTheSameColumns) {
    EXPECT_EQ(CaptureLogHeader(), "frame,time_ms,phase,order,row,entry,page,position\n");
    EXPECT_EQ(CaptureLogLine(0, 0.0, {ShowPhase::INTRO, 0, 3, -1, -1, -1}), "0,0.000,intro,0,3,-1,-1,-1\n");
    EXPECT_EQ(CaptureLogLine(6001, 100016.66666, {ShowPhase::MENU, -1, -1, 3, 7, 5}),
              "6001,100016.667,menu,-1,-1,3,7,5\n");
    EXPECT_EQ(CaptureLogLine(9, 150.0, {ShowPhase::OUTRO, -1, -1, -1, -1, -1}), "9,150.000,outro,-1,-1,-1,-1,-1\n");
    EXPECT_STREQ(ShowPhaseName(ShowPhase::NONE), "none");
    EXPECT_STREQ(ShowPhaseName(ShowPhase::DONE), "done");
}

TEST(CaptureProgress, BarFollowsTheExpectedEnd) {
    std::vector<KeyEvent> keys = {{100, VK_SPACE, true}, {5000, VK_ESCAPE, true}, {9000, VK_ESCAPE, true}};
    EXPECT_EQ(ExpectedShowMilliseconds(keys, 600000), 13000.0);
    EXPECT_EQ(ExpectedShowMilliseconds(keys, 10000), 10000.0);
    EXPECT_EQ(ExpectedShowMilliseconds({{100, VK_ESCAPE, false}}, 600000), 600000.0);
    // An intro longer than the script thought, then the outro's real start.
    EXPECT_EQ(RefineExpectedEnd(8000, 2000, -1), 10000.0);
    EXPECT_EQ(RefineExpectedEnd(13000, 2000, -1), 13000.0);
    EXPECT_EQ(RefineExpectedEnd(13000, 9000, 7000), 15000.0);

    std::string half = ProgressLine(300, 6500, 13000, 2.0);
    EXPECT_EQ(half.substr(0, 26), "[############------------]");
    EXPECT_NE(half.find(" 50%"), std::string::npos) << half;
    EXPECT_NE(half.find("300 frames"), std::string::npos) << half;
    EXPECT_NE(half.find("6.5 s of show"), std::string::npos) << half;
    EXPECT_NE(half.find("3.2x real time"), std::string::npos) << half;
    // A show running past its estimate stays at a full bar.
    EXPECT_EQ(ProgressLine(1, 20000, 13000, 0.0).substr(0, 31), "[########################] 100%");
}

TEST(CaptureWav, HeaderDescribesStereo16Bit44100) {
    std::vector<uint8_t> header = WavHeader(735);
    ASSERT_EQ(header.size(), 44u);
    auto u32 = [&](size_t at) {
        return header[at] | header[at + 1] << 8 | header[at + 2] << 16 | static_cast<uint32_t>(header[at + 3]) << 24;
    };
    auto u16 = [&](size_t at) { return header[at] | header[at + 1] << 8; };
    EXPECT_EQ(std::memcmp(header.data(), "RIFF", 4), 0);
    EXPECT_EQ(u32(4), 36u + 735 * 4);
    EXPECT_EQ(std::memcmp(header.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(u32(16), 16u);
    EXPECT_EQ(u16(20), 1);
    EXPECT_EQ(u16(22), 2);
    EXPECT_EQ(u32(24), 44100u);
    EXPECT_EQ(u32(28), 44100u * 4);
    EXPECT_EQ(u16(32), 4);
    EXPECT_EQ(u16(34), 16);
    EXPECT_EQ(std::memcmp(header.data() + 36, "data", 4), 0);
    EXPECT_EQ(u32(40), 735u * 4);
}

TEST(CapturePng, WritesWhatItReadsBackTopRowFirst) {
    std::filesystem::path dir = TempDir("png");
    const int32_t width = 5, height = 3;
    std::vector<uint8_t> rgb(width * height * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 17);
    std::string error;
    std::string path = (dir / "a.png").string();
    ASSERT_TRUE(WritePngRgb(path, rgb.data(), width, height, &error)) << error;
    std::vector<uint8_t> back;
    int32_t backWidth = 0, backHeight = 0;
    ASSERT_TRUE(ReadPngRgb(path, &back, &backWidth, &backHeight));
    EXPECT_EQ(backWidth, width);
    EXPECT_EQ(backHeight, height);
    EXPECT_EQ(back, rgb);

    EXPECT_FALSE(WritePngRgb((dir / "missing" / "b.png").string(), rgb.data(), width, height, &error));
    EXPECT_NE(error.find("missing/b.png"), std::string::npos) << error;
    EXPECT_FALSE(ReadPngRgb((dir / "missing.png").string(), &back, &backWidth, &backHeight));
    std::filesystem::remove_all(dir);
}

TEST(CaptureFfmpeg, FoundOnlyWhereItCanRun) {
    std::filesystem::path dir = TempDir("path");
    std::filesystem::create_directories(dir / "a");
    std::filesystem::create_directories(dir / "b");
    std::filesystem::create_directories(dir / "c" / "ffmpeg");   // a folder of that name
    std::ofstream(dir / "a" / "ffmpeg") << "not runnable";
    std::ofstream(dir / "b" / "ffmpeg") << "#!/bin/sh\n";
    chmod((dir / "b" / "ffmpeg").c_str(), 0755);
    std::string a = (dir / "a").string(), b = (dir / "b").string(), c = (dir / "c").string();
    EXPECT_EQ(FindProgram("ffmpeg", c + ":" + a + ":" + b), b + "/ffmpeg");
    EXPECT_EQ(FindProgram("ffmpeg", a + ":" + c), "");
    EXPECT_EQ(FindProgram("ffmpeg", ""), "");
    EXPECT_EQ(FindProgram(b + "/ffmpeg", ""), b + "/ffmpeg");
    std::filesystem::remove_all(dir);
}

// Every pixel of a 2x2 frame one colour: the luma and both chroma samples are
// BT.601's at limited range; mixed pixels give the mean of their chroma.
TEST(CaptureFfmpeg, ConvertsFramesToLimitedRangeYuv) {
    struct Case {
        uint8_t rgb[4][3];
        uint8_t y[4], u, v;
    };
    const Case cases[] = {
        {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {16, 16, 16, 16}, 128, 128},
        {{{255, 255, 255}, {255, 255, 255}, {255, 255, 255}, {255, 255, 255}}, {235, 235, 235, 235}, 128, 128},
        {{{255, 0, 0}, {255, 0, 0}, {255, 0, 0}, {255, 0, 0}}, {81, 81, 81, 81}, 90, 240},
        {{{0, 255, 0}, {0, 255, 0}, {0, 255, 0}, {0, 255, 0}}, {145, 145, 145, 145}, 54, 34},
        {{{0, 0, 255}, {0, 0, 255}, {0, 0, 255}, {0, 0, 255}}, {41, 41, 41, 41}, 240, 110},
        {{{255, 0, 0}, {0, 0, 255}, {255, 0, 0}, {0, 0, 255}}, {81, 41, 81, 41}, 165, 175},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> yuv(Yuv420Bytes(2, 2), 0);
        ASSERT_EQ(yuv.size(), 6u);
        RgbToYuv420(&c.rgb[0][0], 2, 2, yuv.data());
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(yuv[i], c.y[i], 1) << "pixel " << i;
        EXPECT_NEAR(yuv[4], c.u, 1);
        EXPECT_NEAR(yuv[5], c.v, 1);
    }
    // Planes in order at a larger size: luma rows, then U, then V, each row its own.
    std::vector<uint8_t> rgb(4 * 2 * 3, 0), yuv(Yuv420Bytes(4, 2));
    for (int x = 2; x < 4; ++x)
        for (int y = 0; y < 2; ++y) rgb[(y * 4 + x) * 3] = 255;   // the right half red
    RgbToYuv420(rgb.data(), 4, 2, yuv.data());
    EXPECT_EQ(std::vector<uint8_t>(yuv.begin(), yuv.begin() + 8), (std::vector<uint8_t>{16, 16, 81, 81, 16, 16, 81, 81}));
    EXPECT_EQ(std::vector<uint8_t>(yuv.begin() + 8, yuv.end()), (std::vector<uint8_t>{128, 90, 128, 240}));
}

// What reaches the encoder: every frame in order, a repeated frame as the same
// bytes without a conversion or a buffer of its own. The "encoder" here keeps
// its input in the file it is given.
TEST(CaptureFfmpeg, RepeatedFramesShareTheLastConversion) {
    std::filesystem::path dir = TempDir("repeats");
    std::filesystem::path keeper = dir / "keep-input";
    std::ofstream(keeper) << "#!/bin/sh\nfor last; do :; done\ncat > \"$last\"\n";
    std::filesystem::permissions(keeper, std::filesystem::perms::owner_all);
    VideoEncoder encoder;
    encoder.ffmpeg = keeper.string();
    encoder.width = 2;
    encoder.height = 2;
    std::string error;
    ASSERT_TRUE(StartVideoEncoder(encoder, 60, (dir / "stream").string(), &error)) << error;
    const uint8_t black[12] = {}, white[12] = {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255};
    // A repeat's own pixels are not looked at: the frame before stands for it.
    const struct {
        const uint8_t* rgb;
        bool repeat;
    } frames[] = {{black, true}, {black, true}, {white, false}, {black, true}, {white, true}, {black, false}};
    for (const auto& frame : frames) ASSERT_TRUE(AddVideoFrame(encoder, frame.rgb, frame.repeat, &error)) << error;
    EXPECT_EQ(encoder.buffers, 2u) << "one buffer for each picture, the first reused for the last";
    ASSERT_TRUE(FinishVideoEncoder(encoder, &error)) << error;

    std::ifstream file(dir / "stream", std::ios::binary);
    std::vector<uint8_t> stream((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::vector<uint8_t> blackYuv = {16, 16, 16, 16, 128, 128}, whiteYuv = {235, 235, 235, 235, 128, 128};
    std::vector<uint8_t> expected;
    for (const auto* yuv : {&blackYuv, &blackYuv, &whiteYuv, &whiteYuv, &whiteYuv, &blackYuv})
        expected.insert(expected.end(), yuv->begin(), yuv->end());
    EXPECT_EQ(stream, expected);
    std::filesystem::remove_all(dir);
}

TEST(CaptureFfmpeg, EncodesRawFramesThenMuxesTheSound) {
    std::vector<std::string> encode = EncodeVideoArguments(25, 1920, 1440, "/tmp/v.mp4");
    auto has = [](const std::vector<std::string>& list, const std::string& a, const std::string& b) {
        for (size_t i = 0; i + 1 < list.size(); ++i)
            if (list[i] == a && list[i + 1] == b) return true;
        return false;
    };
    EXPECT_TRUE(has(encode, "-video_size", "1920x1440"));
    EXPECT_TRUE(has(encode, "-framerate", "25"));
    EXPECT_TRUE(has(encode, "-pixel_format", "yuv420p"));
    EXPECT_TRUE(has(encode, "-i", "pipe:0"));
    EXPECT_TRUE(has(encode, "-c:v", "libx264"));
    EXPECT_TRUE(has(encode, "-pix_fmt", "yuv420p"));
    EXPECT_EQ(encode.back(), "/tmp/v.mp4");

    std::vector<std::string> mp4 = MuxArguments("v.mp4", "a.wav", VideoContainer::MP4, "out.tmp");
    EXPECT_TRUE(has(mp4, "-c:v", "copy"));
    EXPECT_TRUE(has(mp4, "-c:a", "aac"));
    EXPECT_TRUE(has(mp4, "-ar", "44100"));
    EXPECT_TRUE(has(mp4, "-f", "mp4"));
    EXPECT_EQ(mp4.back(), "out.tmp");
    EXPECT_TRUE(has(MuxArguments("v.mp4", "a.wav", VideoContainer::MATROSKA, "o"), "-f", "matroska"));
}

TEST(CaptureTour, BuiltInTourIsAValidScriptThatEnds) {
    std::vector<KeyEvent> events;
    std::string error;
    ASSERT_TRUE(ParseKeyScript(BuiltInTour(), &events, &error)) << error;
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().virtualKey, VK_ESCAPE);
    EXPECT_TRUE(events.back().down);
    EXPECT_LT(ExpectedShowMilliseconds(events, HEADLESS_DEFAULT_LIMIT_MS), 200000.0);
    // Every page of every entry is turned to: 16 activations, each a press and a release.
    int spaces = 0;
    for (const KeyEvent& event : events)
        if (event.virtualKey == VK_SPACE && event.down) ++spaces;
    EXPECT_GE(spaces, 16);
}

}  // namespace
