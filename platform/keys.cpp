// The translation from SDL scancodes to Windows virtual-key codes.
#include "platform/keys.h"

namespace {

struct KeyMapping {
    SDL_Scancode scancode;
    int32_t virtualKey;
};

constexpr KeyMapping KEY_MAPPINGS[] = {
    {SDL_SCANCODE_BACKSPACE, 8},   {SDL_SCANCODE_TAB, 9},         {SDL_SCANCODE_RETURN, 13},
    {SDL_SCANCODE_KP_ENTER, 13},   {SDL_SCANCODE_RETURN2, 13},    {SDL_SCANCODE_LSHIFT, 16},
    {SDL_SCANCODE_RSHIFT, 16},     {SDL_SCANCODE_LCTRL, 17},      {SDL_SCANCODE_RCTRL, 17},
    {SDL_SCANCODE_PAUSE, 19},      {SDL_SCANCODE_CAPSLOCK, 20},   {SDL_SCANCODE_ESCAPE, 27},
    {SDL_SCANCODE_SPACE, 32},      {SDL_SCANCODE_PAGEUP, 33},     {SDL_SCANCODE_PAGEDOWN, 34},
    {SDL_SCANCODE_END, 35},        {SDL_SCANCODE_HOME, 36},       {SDL_SCANCODE_LEFT, 37},
    {SDL_SCANCODE_UP, 38},         {SDL_SCANCODE_RIGHT, 39},      {SDL_SCANCODE_DOWN, 40},
    {SDL_SCANCODE_INSERT, 45},     {SDL_SCANCODE_DELETE, 46},
};

}  // namespace

int32_t ScancodeToVirtualKey(SDL_Scancode scancode) {
    // Letters and digits are contiguous in both code sets.
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
        return 'A' + (scancode - SDL_SCANCODE_A);
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
        return '1' + (scancode - SDL_SCANCODE_1);
    if (scancode == SDL_SCANCODE_0) return '0';
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12)
        return 0x70 + (scancode - SDL_SCANCODE_F1);
    for (const KeyMapping& mapping : KEY_MAPPINGS)
        if (mapping.scancode == scancode) return mapping.virtualKey;
    return 0;
}
