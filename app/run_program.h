#pragma once

#include <cstdint>

// The whole life of the program: window, scene, music, show, close.
// Returns 1 after a start-up failure; the normal end never returns (exit 0).
int32_t RunProgram(void* instance);
