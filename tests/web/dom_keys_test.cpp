// The page's key names reach the show as the desktop's keys do.
#include "platform/dom_keys.h"

#include "platform/key_codes.h"

#include <gtest/gtest.h>

TEST(DomKeys, NamesToVirtualKeys) {
    struct Case {
        const char* code;
        int32_t virtualKey;
    };
    const Case cases[] = {
        {"ArrowUp", VK_UP},   {"ArrowDown", VK_DOWN}, {"Escape", VK_ESCAPE}, {"Space", VK_SPACE},
        {"Enter", VK_RETURN}, {"NumpadEnter", VK_RETURN}, {"KeyA", 'A'},      {"KeyZ", 'Z'},
        {"Digit0", '0'},      {"Digit9", '9'},        {"F1", 0x70},          {"F9", 0x78},
        {"F10", 0x79},        {"F12", 0x7B},
        // Not keys of the table: nothing, rather than a neighbour.
        {"F0", 0}, {"F13", 0}, {"F01", 0}, {"F1x", 0}, {"Fx", 0}, {"Keya", 0}, {"KeyAB", 0},
        {"Digit", 0}, {"Numpad5", 0}, {"", 0}, {nullptr, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(DomCodeToVirtualKey(c.code), c.virtualKey) << (c.code ? c.code : "(null)");
}
