// Windows virtual-key codes: the indices of the key table every platform fills.
#pragma once

#include <cstdint>

constexpr int32_t VK_RETURN = 13;
constexpr int32_t VK_ESCAPE = 27;
constexpr int32_t VK_SPACE = 32;
constexpr int32_t VK_UP = 38;
constexpr int32_t VK_DOWN = 40;
constexpr int32_t VK_F10 = 0x79;

constexpr int KEY_TABLE_SIZE = 256;
