// The backdrop of the menu: the night town, the text box and the menu rail.
#include "tools/generate/artwork.h"

#include <algorithm>
#include <cmath>

namespace {

struct Building {
    double left, right, top;
};

// The town stands on the foot of the screen: roofs from this high up to 48 lower,
// and the depot's clock tower above them, its face just below its top.
constexpr double ROOFS_TOP = SCREEN_HEIGHT - 72;
constexpr Building CLOCK_TOWER = {50, 80, SCREEN_HEIGHT - 120};
constexpr double FACE_X = (CLOCK_TOWER.left + CLOCK_TOWER.right) / 2, FACE_Y = CLOCK_TOWER.top + 16;
// The town's light on the horizon, and the sky the stars stand in.
constexpr double HORIZON = SCREEN_HEIGHT - 10;
constexpr double STARS_BOTTOM = SCREEN_HEIGHT - 80;

std::vector<Building> Skyline() {
    std::vector<Building> buildings;
    Lcg random{2027};
    double x = -6;
    while (x < SCREEN_WIDTH) {
        double width = 16 + random.Next() * 30;
        double top = ROOFS_TOP + random.Next() * 48;
        buildings.push_back({x, x + width, top});
        x += width + (random.Next() < 0.3 ? 4 : 0);
    }
    buildings.push_back(CLOCK_TOWER);
    return buildings;
}

void PaintBackdrop(Canvas& canvas) {
    ScreenRect all = {-8, -8, SCREEN_WIDTH + 8, SCREEN_HEIGHT + 40};
    Shade(canvas, all, Blend::OVER, [](double x, double y, double) {
        double t = std::clamp(y / SCREEN_HEIGHT, 0.0, 1.0);
        Rgb sky = Mix(HexColour(0x05041A), HexColour(0x1C0E36), t);
        // Town light on the horizon, warmest at the left.
        double glow = std::exp(-std::max(0.0, HORIZON - y) / 70.0) * (0.6 + 0.4 * std::exp(-x / 300.0));
        sky = Mix(sky, HexColour(0x5A2A3A), 0.55 * glow);
        return Paint{sky, 1.0};
    });
    // Stars over the town, kept off the text box and the menu rail.
    Lcg random{1907};
    for (int i = 0; i < 140; ++i) {
        double x = random.Next() * SCREEN_WIDTH, y = random.Next() * STARS_BOTTOM, size = random.Next();
        if (x > TEXT_BOX.left - 8 && y > TEXT_BOX.top - 8) continue;
        if (x > SLOT_LEFT - 8) continue;
        Glow(canvas, x, y, 0.6 + size * 0.9, Mix(PALE, CYAN, random.Next()), 0.25 + 0.6 * size * size);
    }
    // The moon over the left edge.
    double mx = 62, my = 74;
    Glow(canvas, mx, my, 40, HexColour(0x8A7A50), 0.35);
    Shade(canvas, {mx - 30, my - 30, mx + 30, my + 30}, Blend::OVER, [&](double x, double y, double texel) {
        double outer = std::hypot(x - mx, y - my) - 22;
        double inner = std::hypot(x - mx - 9, y - my + 5) - 19;
        return Paint{HexColour(0xF4E6B8), Coverage(std::max(outer, -inner), texel)};
    });
    // Skyline with a few lit windows.
    Lcg windows{77};
    for (const Building& b : Skyline()) {
        FillRect(canvas, {b.left, b.top, b.right, SCREEN_HEIGHT + 40}, HexColour(0x07050F));
        if (b.right > TEXT_BOX.left || b.top == CLOCK_TOWER.top) continue;
        for (double wy = b.top + 6; wy < SCREEN_HEIGHT - 4; wy += 8)
            for (double wx = b.left + 4; wx + 3 < b.right - 2; wx += 7)
                if (windows.Next() < 0.22)
                    FillRect(canvas, {wx, wy, wx + 3, wy + 4}, Scale(AMBER, 0.25 + 0.35 * windows.Next()));
    }
    // The clock tower's face: the party's emblem in small.
    Glow(canvas, FACE_X, FACE_Y, 10, AMBER, 0.5);
    Shade(canvas, {FACE_X - 13, FACE_Y - 13, FACE_X + 13, FACE_Y + 13}, Blend::OVER,
          [&](double x, double y, double texel) {
              return Paint{HexColour(0xFFD27A), Coverage(std::abs(std::hypot(x - FACE_X, y - FACE_Y) - 7) - 1.2, texel)};
          });
    Line(canvas, FACE_X, FACE_Y, FACE_X, FACE_Y - 5, 1.4, HexColour(0xFFD27A));
    Line(canvas, FACE_X, FACE_Y, FACE_X + 4, FACE_Y, 1.4, HexColour(0xFFD27A));

    // The text box: dark enough to read the pages on, with a thin cool rim.
    FillRect(canvas, TEXT_BOX, HexColour(0x40C0E8), 9);
    FillRect(canvas, {TEXT_BOX.left + 1.2, TEXT_BOX.top + 1.2, TEXT_BOX.right - 1.2, TEXT_BOX.bottom - 1.2},
             HexColour(0x04050C), 8);
    // The menu rail: a slot for each position and the pointer's track.
    for (int32_t p = 0; p < MENU_POSITIONS; ++p) {
        double row = PointerRow(p);
        FillRect(canvas, {SLOT_LEFT, row - 12, SLOT_RIGHT, row + 12}, HexColour(0x1B2444), 5);
        FillRect(canvas, {SLOT_LEFT + 1, row - 11, SLOT_RIGHT - 1, row + 11}, HexColour(0x080A18), 4);
    }
    FillRect(canvas, {POINTER_TRACK - 1, 60, POINTER_TRACK + 1, SCREEN_HEIGHT + 40}, HexColour(0x162040));
}


}  // namespace

bool DrawBackdropPicture(const PictureSources&, FontLibrary&, GeneratedPicture& out, std::string&) {
    Canvas canvas = PanelCanvas(out.number, 512, 512, out.scale);
    PaintBackdrop(canvas);
    // Dithered: the slow gradients of the sky would show steps.
    out.picture = ToPicture(canvas, true);
    return true;
}
