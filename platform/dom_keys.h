// The browser's key names (KeyboardEvent.code) as the show's virtual keys.
#pragma once

#include <cstdint>

// The virtual-key code of a DOM KeyboardEvent.code ("ArrowUp"); 0 for none.
int32_t DomCodeToVirtualKey(const char* code);
