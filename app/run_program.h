// The program from start-up to exit, shared by main and the headless runs.
#pragma once

#include "panel/screen.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>

// What the command line may change; the defaults are the program of old.
struct ProgramOptions {
    int32_t display = DISPLAY_FULLSCREEN;   // DISPLAY_WINDOWED, DISPLAY_FULLSCREEN or DISPLAY_DESKTOP
    int32_t width = SCREEN_WIDTH;           // the mode asked for; the headless output size
    int32_t height = SCREEN_HEIGHT;
    std::string dataFolder;                 // --data; empty: found (FindDataFolder)
    bool help = false;
};

// False with `error` set for an unknown option or a missing value.
bool ParseProgramArguments(int argc, const char* const* argv, ProgramOptions* options, std::string* error);
const char* ProgramUsage();

// Start-up before the show: data folder, window, scene, music, in that order.
// A failure is reported to the user ("cannot init opengl-window", ...) and
// gives null.
WindowHandle StartProgram(const ProgramOptions& options, void* instance);

// The whole life of the program: start-up, show, music stopped, close.
// Returns 1 after a start-up failure; the normal end never returns (exit 0).
int32_t RunProgram(void* instance, const ProgramOptions& options = {});
