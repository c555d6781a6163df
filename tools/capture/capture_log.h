// What the capture tells while it runs: the per-frame CSV log and the progress line.
#pragma once

#include "tools/capture/headless_run.h"

#include <cstdint>
#include <string>
#include <vector>

const char* ShowPhaseName(ShowPhase phase);
// "frame,time_ms,phase,order,row,entry,page,position\n"
std::string CaptureLogHeader();
std::string CaptureLogLine(int64_t frame, double milliseconds, const ShowStatus& status);

// Show time at which a script is expected to end: eight seconds after its
// first Escape press, else the limit. Only for the progress bar.
double ExpectedShowMilliseconds(const std::vector<KeyEvent>& keys, double limitMilliseconds);
// The same estimate, refined while the show runs: the outro's eight seconds
// are still to come at `now`, or follow `outroStart` once it has begun (< 0: not yet).
double RefineExpectedEnd(double estimate, double now, double outroStart);
// "[#####-----]  50%  3000 frames  50.0 s of show  2.5x real time", without a line end.
std::string ProgressLine(int64_t frames, double showMilliseconds, double expectedMilliseconds,
                         double wallSeconds);
