// Where a capture's frames and sound go, from start to end: a folder of frames or a video.
#include "tools/capture/capture_output.h"
#include "tools/capture/png_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

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

void RemoveQuietly(const std::string& path) {
    if (!path.empty()) std::remove(path.c_str());
}

}  // namespace

CaptureWriter FramesWriter(const std::string& dir) {
    CaptureWriter writer;
    writer.framesDir = dir;
    writer.wavPath = (std::filesystem::path(dir) / "audio.wav").string();
    writer.wav.path = (std::filesystem::path(dir) / ".audio.wav.part").string();
    return writer;
}

CaptureWriter VideoWriter(const std::string& ffmpeg, const std::string& outPath, VideoContainer container,
                          int32_t fps) {
    CaptureWriter writer;
    writer.outPath = outPath;
    writer.container = container;
    writer.encoder.ffmpeg = ffmpeg;
    writer.fps = fps;
    writer.wav.path = TempNameBeside(outPath, "audio.wav");
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
        return StartWav(writer.wav, error);
    }
    std::error_code failure;
    if (std::filesystem::is_directory(writer.outPath, failure)) {
        *error = "cannot write " + writer.outPath + ": it is a folder";
        return false;
    }
    // The sound file beside the video also proves early that its folder is writable.
    if (!StartWav(writer.wav, error)) {
        *error = Errno("cannot write " + writer.outPath);
        return false;
    }
    return StartVideoEncoder(writer.encoder, writer.fps, writer.videoTempPath, error);
}

bool AddCaptureFrame(CaptureWriter& writer, const HeadlessFrame& frame, std::string* error) {
    if (!frame.rgb) {
        *error = "frame " + std::to_string(frame.index) + " was not read back";
        return false;
    }
    if (!writer.framesDir.empty()) {
        std::string path = (std::filesystem::path(writer.framesDir) / FrameFileName(frame.index)).string();
        if (!WritePngRgb(path, frame.rgb, HEADLESS_WIDTH, HEADLESS_HEIGHT, error)) return false;
    } else if (!AddVideoFrame(writer.encoder, frame.rgb, error)) {
        return false;
    }
    if (!AddWavSamples(writer.wav, frame.audio, error)) return false;
    ++writer.frames;
    return true;
}

bool FinishCapture(CaptureWriter& writer, std::string* error) {
    if (!FinishWav(writer.wav, error)) {
        AbandonCapture(writer);
        return false;
    }
    if (!writer.framesDir.empty()) {
        if (std::rename(writer.wav.path.c_str(), writer.wavPath.c_str()) != 0) {
            *error = Errno("cannot write " + writer.wavPath);
            AbandonCapture(writer);
            return false;
        }
        return true;
    }
    if (!FinishVideoEncoder(writer.encoder, error) ||
        !MuxVideo(writer.encoder.ffmpeg, writer.videoTempPath, writer.wav.path, writer.container,
                  writer.outTempPath, error)) {
        AbandonCapture(writer);
        return false;
    }
    if (std::rename(writer.outTempPath.c_str(), writer.outPath.c_str()) != 0) {
        *error = Errno("cannot write " + writer.outPath);
        AbandonCapture(writer);
        return false;
    }
    RemoveQuietly(writer.videoTempPath);
    RemoveQuietly(writer.wav.path);
    return true;
}

void AbandonCapture(CaptureWriter& writer) {
    CloseWav(writer.wav);
    StopVideoEncoder(writer.encoder);
    RemoveQuietly(writer.wav.path);
    RemoveQuietly(writer.videoTempPath);
    RemoveQuietly(writer.outTempPath);
}
