// The program from start-up to exit, shared by main and the headless runs.
#pragma once

#include "platform/platform.h"

#include <cstdint>

// Start-up before the show: window, scene, music, in that order. A failure is
// reported to the user ("cannot init opengl-window", ...) and gives null.
WindowHandle StartProgram(void* instance);

// The whole life of the program: start-up, show, music stopped, close.
// Returns 1 after a start-up failure; the normal end never returns (exit 0).
int32_t RunProgram(void* instance);
