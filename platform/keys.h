// SDL scancodes to Windows virtual-key codes: the one translation table.
#pragma once

#include <SDL2/SDL_scancode.h>
#include <cstdint>

// 0 for a key that has no virtual-key code here.
int32_t ScancodeToVirtualKey(SDL_Scancode scancode);
