// The capture's video writer: ffmpeg found on the PATH, fed raw frames through a pipe,
// then muxing the video with the WAV sound.
#include "tools/capture/video_writer.h"

#include "tools/capture/headless_run.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
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

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

// Whether the queue holds as much as it may: the frames' count, or their distinct
// buffers' bytes.
bool QueueFull(const VideoEncoder& encoder) {
    size_t inUse = encoder.buffers - encoder.spare.size();
    return encoder.waiting.size() >= VIDEO_FRAMES_AHEAD ||
           inUse * Yuv420Bytes(encoder.width, encoder.height) >= VIDEO_BYTES_AHEAD;
}

// Writes waiting frames to the encoder until the pipe is full and the queue is
// not, or, with `all`, until every frame is written.
bool WriteWaitingFrames(VideoEncoder& encoder, bool all) {
    while (!encoder.waiting.empty()) {
        const std::vector<uint8_t>& first = *encoder.waiting.front();
        ssize_t written = write(encoder.input, first.data() + encoder.writtenOfFirst,
                                first.size() - encoder.writtenOfFirst);
        if (written < 0) {
            if (errno == EINTR) continue;
            if (errno != EAGAIN) return false;
            if (!all && !QueueFull(encoder)) return true;
            pollfd ready{encoder.input, POLLOUT, 0};
            if (poll(&ready, 1, -1) < 0 && errno != EINTR) return false;
            continue;
        }
        encoder.writtenOfFirst += static_cast<size_t>(written);
        if (encoder.writtenOfFirst == first.size()) {
            VideoEncoder::Buffer done = std::move(encoder.waiting.front());
            encoder.waiting.pop_front();
            encoder.writtenOfFirst = 0;
            // Its last frame written and not the last one added: free for another.
            if (done.use_count() == 1) encoder.spare.push_back(std::move(done));
        }
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

}  // namespace

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

std::vector<std::string> EncodeVideoArguments(int32_t fps, int32_t width, int32_t height, const std::string& videoPath) {
    return {"-hide_banner", "-loglevel", "error",
            "-f", "rawvideo", "-pixel_format", "yuv420p",
            "-video_size", std::to_string(width) + "x" + std::to_string(height),
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

size_t Yuv420Bytes(int32_t width, int32_t height) {
    size_t pixels = static_cast<size_t>(width) * height;
    return pixels + pixels / 2;
}

// ffmpeg's own conversion from RGB cost nearly as much as the H.264 encoding at
// large sizes; this one is a fraction of that and halves what the pipe carries.
void RgbToYuv420(const uint8_t* rgb, int32_t width, int32_t height, uint8_t* yuv) {
    // BT.601 weights scaled to 219 (luma) and 224 (chroma) steps, times 2^16.
    constexpr int32_t YR = 16829, YG = 33039, YB = 6416;
    constexpr int32_t UR = -9714, UG = -19070, UB = 28784;
    constexpr int32_t VR = 28784, VG = -24103, VB = -4681;
    size_t stride = static_cast<size_t>(width) * 3;
    uint8_t* yPlane = yuv;
    uint8_t* uPlane = yuv + static_cast<size_t>(width) * height;
    uint8_t* vPlane = uPlane + static_cast<size_t>(width / 2) * (height / 2);
    for (int32_t row = 0; row + 1 < height; row += 2) {
        const uint8_t* top = rgb + stride * row;
        const uint8_t* bottom = top + stride;
        uint8_t* yTop = yPlane + static_cast<size_t>(width) * row;
        uint8_t* yBottom = yTop + width;
        uint8_t* u = uPlane + static_cast<size_t>(width / 2) * (row / 2);
        uint8_t* v = vPlane + static_cast<size_t>(width / 2) * (row / 2);
        for (int32_t column = 0; column + 1 < width; column += 2) {
            const uint8_t* p[4] = {top + column * 3, top + column * 3 + 3, bottom + column * 3, bottom + column * 3 + 3};
            uint8_t* luma[4] = {yTop + column, yTop + column + 1, yBottom + column, yBottom + column + 1};
            int32_t r = 0, g = 0, b = 0;
            for (int k = 0; k < 4; ++k) {
                *luma[k] = static_cast<uint8_t>((YR * p[k][0] + YG * p[k][1] + YB * p[k][2] + (16 << 16) + (1 << 15)) >> 16);
                r += p[k][0];
                g += p[k][1];
                b += p[k][2];
            }
            // Sums of four: two more bits to shift, and 128 << 18 centres the value.
            u[column / 2] = static_cast<uint8_t>((UR * r + UG * g + UB * b + (128 << 18) + (1 << 17)) >> 18);
            v[column / 2] = static_cast<uint8_t>((VR * r + VG * g + VB * b + (128 << 18) + (1 << 17)) >> 18);
        }
    }
}

bool StartVideoEncoder(VideoEncoder& encoder, int32_t fps, const std::string& videoPath, std::string* error) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        *error = Errno("cannot make a pipe");
        return false;
    }
    encoder.pid =
        SpawnProgram(encoder.ffmpeg, EncodeVideoArguments(fps, encoder.width, encoder.height, videoPath), pipeFds[0], error);
    close(pipeFds[0]);
    if (encoder.pid < 0) {
        close(pipeFds[1]);
        return false;
    }
    encoder.input = pipeFds[1];
    fcntl(encoder.input, F_SETFL, fcntl(encoder.input, F_GETFL) | O_NONBLOCK);
    // With the default 64 KiB the encoder starves while the next frame renders, and the
    // two take turns instead of overlapping: let the pipe hold two frames, or what the
    // system allows.
    size_t frameBytes = Yuv420Bytes(encoder.width, encoder.height);
    int wanted = static_cast<int>(std::min<size_t>(2 * frameBytes, 1u << 30));
    if (fcntl(encoder.input, F_SETPIPE_SZ, wanted) < 0) {
        int allowed = 0;
        if (std::FILE* limit = std::fopen("/proc/sys/fs/pipe-max-size", "r")) {
            if (std::fscanf(limit, "%d", &allowed) != 1) allowed = 0;
            std::fclose(limit);
        }
        if (allowed > 0) fcntl(encoder.input, F_SETPIPE_SZ, std::min(allowed, wanted));
    }
    return true;
}

bool AddVideoFrame(VideoEncoder& encoder, const uint8_t* rgb, bool repeat, std::string* error) {
    if (!repeat || !encoder.last) {
        VideoEncoder::Buffer buffer;
        if (!encoder.spare.empty()) {
            buffer = std::move(encoder.spare.back());
            encoder.spare.pop_back();
        } else {
            buffer = std::make_shared<std::vector<uint8_t>>(Yuv420Bytes(encoder.width, encoder.height));
            ++encoder.buffers;
        }
        RgbToYuv420(rgb, encoder.width, encoder.height, buffer->data());
        // The last frame's buffer goes back to the spare ones once no waiting frame uses it.
        if (encoder.last && encoder.last.use_count() == 1) encoder.spare.push_back(std::move(encoder.last));
        encoder.last = std::move(buffer);
    }
    encoder.waiting.push_back(encoder.last);
    if (!WriteWaitingFrames(encoder, false)) {
        *error = Errno("ffmpeg stopped taking frames");
        return false;
    }
    return true;
}

bool FinishVideoEncoder(VideoEncoder& encoder, std::string* error) {
    if (!WriteWaitingFrames(encoder, true)) {
        *error = Errno("ffmpeg stopped taking frames");
        return false;
    }
    close(encoder.input);
    encoder.input = -1;
    bool encoded = WaitForProgram(encoder.pid, error);
    encoder.pid = -1;
    return encoded;
}

bool MuxVideo(const std::string& ffmpeg, const std::string& videoPath, const std::string& wavPath,
              VideoContainer container, const std::string& outPath, std::string* error) {
    int muxPid = SpawnProgram(ffmpeg, MuxArguments(videoPath, wavPath, container, outPath), -1, error);
    return muxPid >= 0 && WaitForProgram(muxPid, error);
}

void StopVideoEncoder(VideoEncoder& encoder) {
    encoder.waiting.clear();
    encoder.writtenOfFirst = 0;
    encoder.last.reset();
    encoder.spare.clear();
    encoder.buffers = 0;
    if (encoder.input >= 0) {
        close(encoder.input);
        encoder.input = -1;
    }
    if (encoder.pid > 0) {
        kill(encoder.pid, SIGTERM);
        int status = 0;
        while (waitpid(encoder.pid, &status, 0) < 0 && errno == EINTR) {
        }
        encoder.pid = -1;
    }
}
