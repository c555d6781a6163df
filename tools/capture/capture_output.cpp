// Where a capture's frames and sound go, from start to end: a folder of frames or a video.
#include "tools/capture/capture_output.h"
#include "tools/capture/png_file.h"

#include "platform/files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <filesystem>

namespace {

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

void RemoveQuietly(const std::string& path) {
    if (!path.empty()) std::remove(path.c_str());
}

// Messages name the folder the user named, not the temporary one beside it.
bool NamingTheFolder(const CaptureWriter& writer, bool ok, std::string* error) {
    if (ok || writer.framesTempDir.empty()) return ok;
    for (size_t at; (at = error->find(writer.framesTempDir)) != std::string::npos;)
        error->replace(at, writer.framesTempDir.size(), writer.framesDir);
    return false;
}

bool Stopped(const CaptureWriter& writer, std::string* error) {
    if (!writer.stop || !*writer.stop) return false;
    *error = "interrupted";
    return true;
}

// The named folder may not exist yet, or be empty; the frames go beside it first.
bool StartFramesFolder(CaptureWriter& writer, std::string* error) {
    std::error_code failure;
    std::filesystem::file_status status = std::filesystem::status(writer.framesDir, failure);
    if (std::filesystem::exists(status)) {
        if (!std::filesystem::is_directory(status)) {
            *error = "cannot write " + writer.framesDir + ": it is not a folder";
            return false;
        }
        if (!std::filesystem::is_empty(writer.framesDir, failure)) {
            *error = "--frames-dir " + writer.framesDir +
                     " already holds files: name a new or an empty folder (nothing in it is changed)";
            return false;
        }
    }
    if (mkdir(writer.framesTempDir.c_str(), 0777) != 0) {
        *error = Errno("cannot make " + writer.framesDir);
        return false;
    }
    return true;
}

}  // namespace

CaptureWriter FramesWriter(const std::string& dir) {
    CaptureWriter writer;
    // "frames/" names the folder "frames"; a link to a folder stays a link.
    std::filesystem::path folder = std::filesystem::path(dir).lexically_normal();
    if (!folder.has_filename()) folder = folder.parent_path();
    std::error_code failure;
    if (std::filesystem::is_symlink(folder, failure)) {
        std::filesystem::path target = std::filesystem::canonical(folder, failure);
        if (!failure) folder = target;
    }
    writer.framesDir = dir;
    writer.framesTempDir = TemporaryNameBeside(folder.string(), "part");
    writer.framesFinalDir = folder.string();
    writer.wav.path = (std::filesystem::path(writer.framesTempDir) / "audio.wav").string();
    return writer;
}

CaptureWriter VideoWriter(const std::string& ffmpeg, const std::string& outPath, VideoContainer container,
                          int32_t fps, int32_t width, int32_t height) {
    CaptureWriter writer;
    writer.outPath = outPath;
    writer.container = container;
    writer.encoder.ffmpeg = ffmpeg;
    writer.encoder.width = width;
    writer.encoder.height = height;
    writer.fps = fps;
    writer.wav.path = TemporaryNameBeside(outPath, "audio.wav");
    writer.videoTempPath = TemporaryNameBeside(outPath, "video.mp4");
    writer.outTempPath = TemporaryNameBeside(outPath, "part");
    return writer;
}

std::string CaptureDestination(const CaptureWriter& writer) {
    if (!writer.framesDir.empty()) return writer.framesDir + " (PNG frames and audio.wav)";
    return writer.outPath;
}

bool StartCapture(CaptureWriter& writer, std::string* error) {
    if (!writer.framesDir.empty())
        return StartFramesFolder(writer, error) && NamingTheFolder(writer, StartWav(writer.wav, error), error);
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

namespace {

// A frame of the folder, unless --only-frames leaves it out. A repeat is a copy of the
// file before it, when that one was written.
bool WriteFramePng(CaptureWriter& writer, const HeadlessFrame& frame, bool repeat, std::string* error) {
    if (!writer.onlyFrames.empty() &&
        !std::binary_search(writer.onlyFrames.begin(), writer.onlyFrames.end(), frame.index))
        return true;
    std::filesystem::path folder(writer.framesTempDir);
    std::string path = (folder / FrameFileName(frame.index)).string();
    if (repeat && writer.lastWritten == frame.index - 1) {
        std::error_code failure;
        std::filesystem::copy_file(folder / FrameFileName(frame.index - 1), path, failure);
        if (failure) {
            *error = "cannot write " + path + ": " + failure.message();
            return false;
        }
    } else if (!WritePngRgb(path, frame.rgb, frame.width, frame.height, error)) {
        return false;
    }
    writer.lastWritten = frame.index;
    return true;
}

}  // namespace

bool AddCaptureFrame(CaptureWriter& writer, const HeadlessFrame& frame, std::string* error) {
    if (!frame.rgb) {
        *error = "frame " + std::to_string(frame.index) + " was not read back";
        return false;
    }
    // A frame the same as the last is copied, not encoded again.
    bool repeat = frame.sameAsLast && writer.frames > 0;
    if (!writer.framesDir.empty()) {
        if (!WriteFramePng(writer, frame, repeat, error)) return NamingTheFolder(writer, false, error);
    } else if (frame.width != writer.encoder.width || frame.height != writer.encoder.height) {
        *error = "frame " + std::to_string(frame.index) + " is not the video's size";
        return false;
    } else if (!AddVideoFrame(writer.encoder, frame.rgb, repeat, error)) {
        return false;
    }
    if (!AddWavSamples(writer.wav, frame.audio, error)) return NamingTheFolder(writer, false, error);
    ++writer.frames;
    return true;
}

bool FinishCapture(CaptureWriter& writer, std::string* error) {
    if (!FinishWav(writer.wav, error)) {
        NamingTheFolder(writer, false, error);
        AbandonCapture(writer);
        return false;
    }
    if (!writer.framesDir.empty()) {
        if (Stopped(writer, error)) {
            AbandonCapture(writer);
            return false;
        }
        // Onto a folder that has been filled meanwhile, this fails and changes nothing.
        if (std::rename(writer.framesTempDir.c_str(), writer.framesFinalDir.c_str()) != 0) {
            *error = Errno("cannot write " + writer.framesDir);
            if (errno == ENOTEMPTY || errno == EEXIST)
                *error = "cannot write " + writer.framesDir + ": it holds files now";
            AbandonCapture(writer);
            return false;
        }
        writer.framesTempDir.clear();
        return true;
    }
    if (!FinishVideoEncoder(writer.encoder, error) ||
        !MuxVideo(writer.encoder.ffmpeg, writer.videoTempPath, writer.wav.path, writer.container,
                  writer.outTempPath, error) ||
        Stopped(writer, error)) {
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
    if (!writer.framesTempDir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(writer.framesTempDir, ignored);
    }
}
