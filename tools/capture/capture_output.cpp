#include "tools/capture/capture_output.h"
#include "tools/capture/png_file.h"

#include "platform/platform.h"
#include "show/outro.h"
#include "tools/common/little_endian.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>

extern char** environ;

namespace {

// Frames are written often and read rarely: light compression with the one
// row filter that measured both fastest and smallest on the show's frames.
constexpr const char* X264_PRESET = "veryfast";
constexpr const char* X264_CRF = "18";
// A fixed count keeps the encoded video the same on every machine.
constexpr const char* X264_THREADS = "4";
constexpr const char* AAC_BITRATE = "192k";
constexpr int PROGRESS_BAR_WIDTH = 24;

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

bool ParseWholeInt(std::string_view text, int32_t* value) {
    auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return status == std::errc() && end == text.data() + text.size();
}

bool ParseWholeDouble(std::string_view text, double* value) {
    auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return status == std::errc() && end == text.data() + text.size() && std::isfinite(*value);
}

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string DirectoryOf(const std::string& path) {
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

// A hidden name beside `path`, unique to this process.
std::string TempNameBeside(const std::string& path, const char* what) {
    std::filesystem::path p(path);
    std::string name = "." + p.filename().string() + "." + what + "-" + std::to_string(getpid());
    return (std::filesystem::path(DirectoryOf(path)) / name).string();
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Starts `program` with `arguments`; its standard input is `inputFd`
// (or /dev/null for -1). It gets a process group of its own, so that an
// interrupt at the terminal reaches only this tool, which then stops it.
int SpawnProgram(const std::string& program, const std::vector<std::string>& arguments, int inputFd,
                 std::string* error) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (inputFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, inputFd, 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    int status = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (status != 0) {
        *error = "cannot start " + program + ": " + std::strerror(status);
        return -1;
    }
    return pid;
}

// True when the program ended with status 0.
bool WaitForProgram(int pid, std::string* error) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            *error = Errno("waiting for ffmpeg");
            return false;
        }
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    if (WIFEXITED(status))
        *error = "ffmpeg failed with status " + std::to_string(WEXITSTATUS(status));
    else
        *error = "ffmpeg was stopped by signal " + std::to_string(WTERMSIG(status));
    return false;
}

bool StartWav(CaptureWriter& writer, std::string* error) {
    writer.wav = std::fopen(writer.wavTempPath.c_str(), "wb");
    if (!writer.wav) {
        *error = Errno("cannot write " + writer.wavTempPath);
        return false;
    }
    std::vector<uint8_t> header = WavHeader(0);
    if (std::fwrite(header.data(), 1, header.size(), writer.wav) != header.size()) {
        *error = Errno("cannot write " + writer.wavTempPath);
        return false;
    }
    return true;
}

bool AddWavSamples(CaptureWriter& writer, std::span<const int16_t> samples, std::string* error) {
    // WAV samples are little-endian, as this machine's are.
    if (!samples.empty() && std::fwrite(samples.data(), sizeof(int16_t), samples.size(), writer.wav) != samples.size()) {
        *error = Errno("cannot write " + writer.wavTempPath);
        return false;
    }
    writer.stereoFrames += static_cast<int64_t>(samples.size() / 2);
    return true;
}

bool FinishWav(CaptureWriter& writer, std::string* error) {
    std::vector<uint8_t> header = WavHeader(writer.stereoFrames);
    bool ok = std::fseek(writer.wav, 0, SEEK_SET) == 0 &&
              std::fwrite(header.data(), 1, header.size(), writer.wav) == header.size();
    ok = std::fclose(writer.wav) == 0 && ok;
    writer.wav = nullptr;
    if (!ok) *error = Errno("cannot write " + writer.wavTempPath);
    return ok;
}

void RemoveQuietly(const std::string& path) {
    if (!path.empty()) std::remove(path.c_str());
}

}  // namespace

const char* CaptureUsage() {
    return "usage: invitation-capture [--out FILE] [--fps N] [--keys FILE] [--frames-dir DIR] [--log FILE]\n"
           "                          [--limit SECONDS]\n"
           "  --out FILE        the video, .mp4 or .mkv (default invitation.mp4); needs ffmpeg\n"
           "  --fps N           frames per second of show time, 1 to 1000 (default 60)\n"
           "  --keys FILE       key script: lines of \"<milliseconds> <key> down|up\", keys escape space\n"
           "                    enter up down, # starts a comment (default: the built-in tour)\n"
           "  --frames-dir DIR  numbered PNG frames and audio.wav in DIR instead of a video\n"
           "  --log FILE        one CSV line per frame: frame,time_ms,phase,order,row,entry,page,position\n"
           "  --limit SECONDS   show time after which a show that has not ended is an error (default 600)\n";
}

bool ParseCaptureArguments(int argc, const char* const* argv, CaptureOptions* options, std::string* error) {
    bool framesGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            options->help = true;
            continue;
        }
        std::string_view name = argument;
        std::string_view value;
        bool hasValue = false;
        size_t equals = argument.find('=');
        if (argument.starts_with("--") && equals != std::string_view::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
            hasValue = true;
        }
        bool known = name == "--out" || name == "--fps" || name == "--keys" || name == "--frames-dir" ||
                     name == "--log" || name == "--limit";
        if (!known) {
            *error = "unknown option " + std::string(argument);
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                *error = std::string(name) + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (value.empty()) {
            *error = std::string(name) + " needs a value";
            return false;
        }
        if (name == "--out") {
            options->out = value;
            options->outGiven = true;
        } else if (name == "--fps") {
            if (!ParseWholeInt(value, &options->fps) || options->fps < 1 || options->fps > 1000) {
                *error = "--fps takes a whole number from 1 to 1000, not \"" + std::string(value) + "\"";
                return false;
            }
        } else if (name == "--keys") {
            options->keysPath = value;
        } else if (name == "--frames-dir") {
            options->framesDir = value;
            framesGiven = true;
        } else if (name == "--log") {
            options->logPath = value;
        } else {
            if (!ParseWholeDouble(value, &options->limitSeconds) || options->limitSeconds <= 0) {
                *error = "--limit takes a number of seconds above 0, not \"" + std::string(value) + "\"";
                return false;
            }
        }
    }
    if (framesGiven && options->outGiven) {
        *error = "--out and --frames-dir exclude each other";
        return false;
    }
    return true;
}

bool ContainerOfName(std::string_view name, VideoContainer* container) {
    std::string extension = LowerCase(std::filesystem::path(name).extension().string());
    if (extension == ".mp4") {
        *container = VideoContainer::MP4;
        return true;
    }
    if (extension == ".mkv") {
        *container = VideoContainer::MATROSKA;
        return true;
    }
    return false;
}

const char* ShowPhaseName(ShowPhase phase) {
    switch (phase) {
    case ShowPhase::NONE: return "none";
    case ShowPhase::INTRO: return "intro";
    case ShowPhase::MENU: return "menu";
    case ShowPhase::OUTRO: return "outro";
    case ShowPhase::DONE: return "done";
    }
    return "none";
}

std::string CaptureLogHeader() { return "frame,time_ms,phase,order,row,entry,page,position\n"; }

std::string CaptureLogLine(int64_t frame, double milliseconds, const ShowStatus& status) {
    char line[160];
    std::snprintf(line, sizeof line, "%lld,%.3f,%s,%d,%d,%d,%d,%d\n", static_cast<long long>(frame), milliseconds,
                  ShowPhaseName(status.phase), status.order, status.row, status.entry, status.page,
                  status.position);
    return line;
}

double ExpectedShowMilliseconds(const std::vector<KeyEvent>& keys, double limitMilliseconds) {
    for (const KeyEvent& key : keys)
        if (key.virtualKey == VK_ESCAPE && key.down)
            return std::min(key.milliseconds + OUTRO_LENGTH_MS, limitMilliseconds);
    return limitMilliseconds;
}

double RefineExpectedEnd(double estimate, double now, double outroStart) {
    if (outroStart >= 0) return outroStart + OUTRO_LENGTH_MS;
    return std::max(estimate, now + OUTRO_LENGTH_MS);
}

std::string ProgressLine(int64_t frames, double showMilliseconds, double expectedMilliseconds,
                         double wallSeconds) {
    double fraction = expectedMilliseconds > 0 ? showMilliseconds / expectedMilliseconds : 0.0;
    fraction = std::clamp(fraction, 0.0, 1.0);
    int filled = static_cast<int>(fraction * PROGRESS_BAR_WIDTH);
    std::string bar = "[" + std::string(filled, '#') + std::string(PROGRESS_BAR_WIDTH - filled, '-') + "]";
    char text[160];
    double speed = wallSeconds > 0 ? showMilliseconds / 1000.0 / wallSeconds : 0.0;
    std::snprintf(text, sizeof text, " %3d%%  %lld frames  %.1f s of show  %.1fx real time",
                  static_cast<int>(fraction * 100), static_cast<long long>(frames), showMilliseconds / 1000.0, speed);
    return bar + text;
}

std::vector<uint8_t> WavHeader(int64_t stereoFrames) {
    constexpr uint32_t CHANNELS = 2, BYTES_PER_SAMPLE = 2;
    uint32_t dataBytes = static_cast<uint32_t>(stereoFrames * CHANNELS * BYTES_PER_SAMPLE);
    std::vector<uint8_t> header;
    header.reserve(44);
    auto tag = [&header](const char* text) {
        for (int i = 0; i < 4; ++i) header.push_back(static_cast<uint8_t>(text[i]));
    };
    tag("RIFF");
    PutLittleEndian(header, 36 + dataBytes, 4);
    tag("WAVE");
    tag("fmt ");
    PutLittleEndian(header, 16, 4);
    PutLittleEndian(header, 1, 2);   // PCM
    PutLittleEndian(header, CHANNELS, 2);
    PutLittleEndian(header, HEADLESS_MIX_RATE, 4);
    PutLittleEndian(header, HEADLESS_MIX_RATE * CHANNELS * BYTES_PER_SAMPLE, 4);
    PutLittleEndian(header, CHANNELS * BYTES_PER_SAMPLE, 2);
    PutLittleEndian(header, 8 * BYTES_PER_SAMPLE, 2);
    tag("data");
    PutLittleEndian(header, dataBytes, 4);
    return header;
}

std::string FindProgram(std::string_view name, std::string_view searchPath) {
    auto runnable = [](const std::string& path) {
        struct stat info;
        return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
    };
    if (name.find('/') != std::string_view::npos) return runnable(std::string(name)) ? std::string(name) : "";
    size_t start = 0;
    while (start <= searchPath.size()) {
        size_t end = searchPath.find(':', start);
        if (end == std::string_view::npos) end = searchPath.size();
        std::string_view dir = searchPath.substr(start, end - start);
        std::filesystem::path candidate = dir.empty() ? std::filesystem::path(".") : std::filesystem::path(dir);
        candidate /= name;
        if (runnable(candidate.string())) return candidate.string();
        start = end + 1;
    }
    return "";
}

std::vector<std::string> EncodeVideoArguments(int32_t fps, const std::string& videoPath) {
    return {"-hide_banner", "-loglevel", "error",
            "-f", "rawvideo", "-pixel_format", "rgb24",
            "-video_size", std::to_string(SCREEN_WIDTH) + "x" + std::to_string(SCREEN_HEIGHT),
            "-framerate", std::to_string(fps), "-i", "pipe:0",
            "-an", "-c:v", "libx264", "-preset", X264_PRESET, "-crf", X264_CRF, "-threads", X264_THREADS,
            "-pix_fmt", "yuv420p", "-colorspace", "smpte170m", "-color_primaries", "smpte170m",
            "-color_trc", "smpte170m", "-color_range", "tv",
            "-fflags", "+bitexact", "-flags:v", "+bitexact",
            "-f", "mp4", "-y", videoPath};
}

std::vector<std::string> MuxArguments(const std::string& videoPath, const std::string& wavPath,
                                      VideoContainer container, const std::string& outPath) {
    std::vector<std::string> arguments = {
        "-hide_banner", "-loglevel", "error", "-nostdin",
        "-i", videoPath, "-i", wavPath,
        "-map", "0:v:0", "-map", "1:a:0",
        "-c:v", "copy", "-c:a", "aac", "-b:a", AAC_BITRATE, "-ar", std::to_string(HEADLESS_MIX_RATE),
        "-fflags", "+bitexact", "-flags:a", "+bitexact"};
    if (container == VideoContainer::MP4) {
        arguments.insert(arguments.end(), {"-movflags", "+faststart", "-f", "mp4"});
    } else {
        arguments.insert(arguments.end(), {"-f", "matroska"});
    }
    arguments.insert(arguments.end(), {"-y", outPath});
    return arguments;
}

std::string FrameFileName(int64_t index) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06lld.png", static_cast<long long>(index));
    return name;
}

CaptureWriter FramesWriter(const std::string& dir) {
    CaptureWriter writer;
    writer.framesDir = dir;
    writer.wavPath = (std::filesystem::path(dir) / "audio.wav").string();
    writer.wavTempPath = (std::filesystem::path(dir) / ".audio.wav.part").string();
    return writer;
}

CaptureWriter VideoWriter(const std::string& ffmpeg, const std::string& outPath, VideoContainer container,
                          int32_t fps) {
    CaptureWriter writer;
    writer.outPath = outPath;
    writer.container = container;
    writer.ffmpeg = ffmpeg;
    writer.fps = fps;
    writer.wavTempPath = TempNameBeside(outPath, "audio.wav");
    writer.videoTempPath = TempNameBeside(outPath, "video.mp4");
    writer.outTempPath = TempNameBeside(outPath, "part");
    return writer;
}

std::string CaptureDestination(const CaptureWriter& writer) {
    if (!writer.framesDir.empty()) return writer.framesDir + " (PNG frames and audio.wav)";
    return writer.outPath;
}

bool StartCapture(CaptureWriter& writer, std::string* error) {
    if (!writer.framesDir.empty()) {
        std::error_code failure;
        std::filesystem::create_directories(writer.framesDir, failure);
        if (failure) {
            *error = "cannot make " + writer.framesDir + ": " + failure.message();
            return false;
        }
        return StartWav(writer, error);
    }
    std::error_code failure;
    if (std::filesystem::is_directory(writer.outPath, failure)) {
        *error = "cannot write " + writer.outPath + ": it is a folder";
        return false;
    }
    // The sound file beside the video also proves early that its folder is writable.
    if (!StartWav(writer, error)) {
        *error = Errno("cannot write " + writer.outPath);
        return false;
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        *error = Errno("cannot make a pipe");
        return false;
    }
    writer.ffmpegPid = SpawnProgram(writer.ffmpeg, EncodeVideoArguments(writer.fps, writer.videoTempPath),
                                    pipeFds[0], error);
    close(pipeFds[0]);
    if (writer.ffmpegPid < 0) {
        close(pipeFds[1]);
        return false;
    }
    writer.ffmpegInput = pipeFds[1];
    return true;
}

bool AddCaptureFrame(CaptureWriter& writer, const HeadlessFrame& frame, std::string* error) {
    if (!frame.rgb) {
        *error = "frame " + std::to_string(frame.index) + " was not read back";
        return false;
    }
    size_t frameBytes = static_cast<size_t>(SCREEN_WIDTH) * SCREEN_HEIGHT * 3;
    if (!writer.framesDir.empty()) {
        std::string path = (std::filesystem::path(writer.framesDir) / FrameFileName(frame.index)).string();
        if (!WritePngRgb(path, frame.rgb, SCREEN_WIDTH, SCREEN_HEIGHT, error)) return false;
    } else if (!WriteAll(writer.ffmpegInput, frame.rgb, frameBytes)) {
        *error = Errno("ffmpeg stopped taking frames");
        return false;
    }
    if (!AddWavSamples(writer, frame.audio, error)) return false;
    ++writer.frames;
    return true;
}

bool FinishCapture(CaptureWriter& writer, std::string* error) {
    if (!FinishWav(writer, error)) {
        AbandonCapture(writer);
        return false;
    }
    if (!writer.framesDir.empty()) {
        if (std::rename(writer.wavTempPath.c_str(), writer.wavPath.c_str()) != 0) {
            *error = Errno("cannot write " + writer.wavPath);
            AbandonCapture(writer);
            return false;
        }
        return true;
    }
    close(writer.ffmpegInput);
    writer.ffmpegInput = -1;
    bool encoded = WaitForProgram(writer.ffmpegPid, error);
    writer.ffmpegPid = -1;
    if (!encoded) {
        AbandonCapture(writer);
        return false;
    }
    int muxPid = SpawnProgram(
        writer.ffmpeg, MuxArguments(writer.videoTempPath, writer.wavTempPath, writer.container, writer.outTempPath),
        -1, error);
    if (muxPid < 0 || !WaitForProgram(muxPid, error)) {
        AbandonCapture(writer);
        return false;
    }
    if (std::rename(writer.outTempPath.c_str(), writer.outPath.c_str()) != 0) {
        *error = Errno("cannot write " + writer.outPath);
        AbandonCapture(writer);
        return false;
    }
    RemoveQuietly(writer.videoTempPath);
    RemoveQuietly(writer.wavTempPath);
    return true;
}

void AbandonCapture(CaptureWriter& writer) {
    if (writer.wav) {
        std::fclose(writer.wav);
        writer.wav = nullptr;
    }
    if (writer.ffmpegInput >= 0) {
        close(writer.ffmpegInput);
        writer.ffmpegInput = -1;
    }
    if (writer.ffmpegPid > 0) {
        kill(writer.ffmpegPid, SIGTERM);
        int status = 0;
        while (waitpid(writer.ffmpegPid, &status, 0) < 0 && errno == EINTR) {
        }
        writer.ffmpegPid = -1;
    }
    RemoveQuietly(writer.wavTempPath);
    RemoveQuietly(writer.videoTempPath);
    RemoveQuietly(writer.outTempPath);
}
