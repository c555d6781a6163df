// invitation-capture: the show as a video with its music, or as PNG frames and
// a WAV file, rendered on the headless platform frame by frame.
#include "tools/capture/capture_output.h"

#include "platform/files.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

volatile std::sig_atomic_t Interrupted = 0;

void OnInterrupt(int) { Interrupted = 1; }

// Thrown from the frame callback to leave the show.
struct CaptureStopped {
    std::string message;   // empty for an interrupt
};

using Clock = std::chrono::steady_clock;

struct Progress {
    bool terminal;
    Clock::time_point start;
    Clock::time_point lastDrawn;
    double expectedMilliseconds;
    double outroStart;
};

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void DrawProgress(Progress& progress, int64_t frames, double showMilliseconds, bool force) {
    if (!progress.terminal) return;
    Clock::time_point now = Clock::now();
    if (!force && now - progress.lastDrawn < std::chrono::milliseconds(100)) return;
    progress.lastDrawn = now;
    std::string line =
        ProgressLine(frames, showMilliseconds, progress.expectedMilliseconds, SecondsSince(progress.start));
    std::fprintf(stderr, "\r%s\033[K", line.c_str());
    std::fflush(stderr);
}

void ClearProgress(const Progress& progress) {
    if (progress.terminal) std::fprintf(stderr, "\r\033[K");
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "invitation-capture: %s\n", message.c_str());
    return 1;
}

// After SIGINT or SIGTERM, once everything unfinished has been removed.
int ReportInterrupted(const CaptureWriter& writer) {
    std::string target = writer.framesDir.empty() ? writer.outPath : writer.framesDir;
    std::fprintf(stderr, "invitation-capture: interrupted; %s not written\n", target.c_str());
    return 130;
}

}  // namespace

int main(int argc, char** argv) {
    CaptureOptions options;
    std::string error;
    if (!ParseCaptureArguments(argc, argv, &options, &error)) {
        std::fprintf(stderr, "invitation-capture: %s\n%s", error.c_str(), CaptureUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(CaptureUsage(), stdout);
        return 0;
    }

    // The key script is checked before anything is rendered.
    std::string script;
    std::string scriptName = options.keysPath.empty() ? "built-in tour" : options.keysPath;
    if (options.keysPath.empty()) {
        script = BuiltInTour();
    } else if (!ReadRegularFile(options.keysPath, &script, &error)) {
        return Fail(error);
    }
    HeadlessRunOptions run;
    run.fps = options.fps;
    run.limitMilliseconds = options.limitSeconds * 1000.0;
    run.width = options.width;
    run.height = options.height;
    run.dataFolder = options.dataFolder;
    if (!ParseKeyScript(script, &run.keys, &error)) return Fail(scriptName + ": " + error);

    CaptureWriter writer;
    if (options.framesDir.empty()) {
        VideoContainer container;
        if (!ContainerOfName(options.out, &container))
            return Fail("--out " + options.out + ": the name must end in .mp4 or .mkv");
        const char* path = std::getenv("PATH");
        std::string ffmpeg = FindProgram("ffmpeg", path ? path : "/usr/bin:/bin");
        if (ffmpeg.empty())
            return Fail("ffmpeg not found: install the Debian package ffmpeg (apt-get install ffmpeg), "
                        "or write PNG frames and audio.wav with --frames-dir DIR");
        writer = VideoWriter(ffmpeg, options.out, container, options.fps, options.width, options.height);
    } else {
        writer = FramesWriter(options.framesDir);
        writer.onlyFrames = options.onlyFrames;
    }

    // From the first temporary on, an interrupt only asks to stop; whatever is
    // unfinished then is removed.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    writer.stop = &Interrupted;

    // Like the capture, the log gets its name only when everything is complete.
    OutputFile logFile;
    std::FILE* log = nullptr;
    if (!options.logPath.empty()) {
        if (!OpenOutputFile(logFile, options.logPath, &error)) return Fail(error);
        log = logFile.stream;
        std::fputs(CaptureLogHeader().c_str(), log);
    }

    if (!StartCapture(writer, &error)) {
        AbandonCapture(writer);
        return Fail(error);
    }

    Progress progress{isatty(STDERR_FILENO) == 1, Clock::now(), {},
                      ExpectedShowMilliseconds(run.keys, run.limitMilliseconds), -1.0};
    // The show's order notices are noise on a terminal and would scroll the bar away
    // (--log has every frame's order); written to a file or a pipe, they are kept.
    if (isatty(STDOUT_FILENO) == 1) std::freopen("/dev/null", "w", stdout);
    double showEndMilliseconds = 0;
    run.onFrame = [&](const HeadlessFrame& frame) {
        if (Interrupted) throw CaptureStopped{};
        std::string failure;
        if (!AddCaptureFrame(writer, frame, &failure)) throw CaptureStopped{failure};
        if (log) std::fputs(CaptureLogLine(frame.index, frame.milliseconds, frame.status).c_str(), log);
        showEndMilliseconds = FrameInstant(frame.index + 1, options.fps);
        if (frame.status.phase == ShowPhase::OUTRO && progress.outroStart < 0) progress.outroStart = frame.milliseconds;
        progress.expectedMilliseconds =
            RefineExpectedEnd(progress.expectedMilliseconds, frame.milliseconds, progress.outroStart);
        DrawProgress(progress, frame.index + 1, showEndMilliseconds, false);
    };

    int result;
    try {
        result = RunHeadlessShow(run);
    } catch (const CaptureStopped& stopped) {
        ClearProgress(progress);
        AbandonCapture(writer);
        if (stopped.message.empty()) return ReportInterrupted(writer);
        return Fail(stopped.message);
    }
    DrawProgress(progress, writer.frames, showEndMilliseconds, true);
    ClearProgress(progress);
    if (log && !CloseOutputFile(logFile, &error)) {
        AbandonCapture(writer);
        return Fail(error);
    }

    if (result == HEADLESS_STARTUP_FAILED) {
        AbandonCapture(writer);
        return 1;
    }
    if (result == HEADLESS_LIMIT_REACHED) {
        AbandonCapture(writer);
        char message[200];
        std::snprintf(message, sizeof message,
                      "the show did not end within %g s of show time (does the key script press Escape?)",
                      options.limitSeconds);
        return Fail(message);
    }
    if (!FinishCapture(writer, &error)) return Interrupted ? ReportInterrupted(writer) : Fail(error);
    if (log && !CommitOutputFile(logFile, &error)) return Fail(error);

    double wall = SecondsSince(progress.start);
    std::fprintf(stderr, "invitation-capture: %lld frames, %.1f s of show at %d fps, in %.1f s (%.1fx real time): %s\n",
                 static_cast<long long>(writer.frames), showEndMilliseconds / 1000.0, options.fps, wall,
                 wall > 0 ? showEndMilliseconds / 1000.0 / wall : 0.0, CaptureDestination(writer).c_str());
    return 0;
}
