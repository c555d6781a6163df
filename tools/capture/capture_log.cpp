// What the capture tells while it runs: the per-frame CSV log and the progress line.
#include "tools/capture/capture_log.h"

#include "platform/platform.h"
#include "show/outro.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int PROGRESS_BAR_WIDTH = 24;

}  // namespace

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
