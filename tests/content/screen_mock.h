// Screens of the show put together in software from a data folder, the way the
// drawing modes would put them on a 640 x 480 frame: for looking at the pictures
// in place and for legibility checks, without a GL context.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ScreenMock {
    int32_t width = 640;
    int32_t height = 480;
    std::vector<float> rgb = std::vector<float>(640 * 480 * 3, 0.0f);   // rows from the top
};

// Draws the panel of that number from dataDir/<its picture>, moved by (dx, dy).
// False when the picture does not load.
bool MockPanel(ScreenMock& screen, const std::string& dataDir, int32_t panel, float brightness, bool additive,
               float dx = 0, float dy = 0);
// The pointer: the frame times the mask (36), plus the sprite (35), over panel 35's first cell.
bool MockPointer(ScreenMock& screen, const std::string& dataDir, float dx, float dy);

bool WriteScreenPng(const ScreenMock& screen, const std::string& path);
