// The browser's key names translated through one table, as the desktop's (platform/keys.cpp).
#include "platform/dom_keys.h"

#include "platform/key_codes.h"

#include <string_view>

namespace {

struct DomKey {
    const char* code;
    int32_t virtualKey;
};

constexpr DomKey DOM_KEYS[] = {
    {"Backspace", 8},   {"Tab", 9},        {"Enter", VK_RETURN}, {"NumpadEnter", VK_RETURN},
    {"ShiftLeft", 16},  {"ShiftRight", 16}, {"ControlLeft", 17},  {"ControlRight", 17},
    {"Pause", 19},      {"CapsLock", 20},   {"Escape", VK_ESCAPE}, {"Space", VK_SPACE},
    {"PageUp", 33},     {"PageDown", 34},   {"End", 35},          {"Home", 36},
    {"ArrowLeft", 37},  {"ArrowUp", VK_UP}, {"ArrowRight", 39},   {"ArrowDown", VK_DOWN},
    {"Insert", 45},     {"Delete", 46},
};

constexpr int32_t VK_F1 = 0x70;
constexpr int32_t FUNCTION_KEYS = 12;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int32_t DomCodeToVirtualKey(const char* code) {
    if (!code) return 0;
    std::string_view name = code;
    // Letters and digits are "KeyA" and "Digit0"; function keys "F1" to "F12".
    if (name.size() == 4 && name.starts_with("Key") && name[3] >= 'A' && name[3] <= 'Z') return name[3];
    if (name.size() == 6 && name.starts_with("Digit") && IsDigit(name[5])) return name[5];
    if (name.size() >= 2 && name.size() <= 3 && name[0] == 'F' && name[1] != '0' && IsDigit(name[1]) &&
        (name.size() == 2 || IsDigit(name[2]))) {
        int32_t number = name[1] - '0';
        if (name.size() == 3) number = number * 10 + (name[2] - '0');
        if (number <= FUNCTION_KEYS) return VK_F1 + number - 1;
    }
    for (const DomKey& key : DOM_KEYS)
        if (name == key.code) return key.virtualKey;
    return 0;
}
