// The program from start-up to exit; its start-up is shared with the headless runs.
#pragma once

#include "panel/panel.h"
#include "panel/screen.h"
#include "platform/platform.h"
#include "show/show.h"

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

// What start-up gives the loop's owner.
struct Program {
    WindowHandle window = nullptr;   // null after a failure
    OwnedScene scene;
};

// Start-up before the show: data folder, window, scene, music, in that order.
// A failure is reported to the user ("cannot init opengl-window", ...) and
// gives a null window.
Program StartProgram(const ProgramOptions& options, void* instance);

// StartProgram in its two halves, for a loop owner with work to put between them (the
// browser draws every picture once there, so that its GPU works while the sound starts).
Program StartProgramPictures(const ProgramOptions& options, void* instance);
void StartProgramMusic(Program& program);

// The frame's input as the platform and the music give it now.
FrameInput ReadFrameInput();

// The whole life of the program: start-up, then the frame loop on the desktop
// platform (pump, step, draw, swap), the music stopped, the close. Returns 1
// after a start-up failure; the show's end and a close request end the process
// with status 0.
int32_t RunProgram(void* instance, const ProgramOptions& options = {});
