// The intro's logo: the clock, the two bars, the party's name and year.
#include "tools/generate/artwork.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double CLOCK_X = 482, CLOCK_Y = 196, CLOCK_R = 88;
constexpr ScreenRect NAME_PANEL = PanelOnScreen(SceneRole::LOGO_NAME);
constexpr ScreenRect YEAR_PANEL = PanelOnScreen(SceneRole::LOGO_YEAR);
// The bars' rules run across the screen, the shorter ones this far from its sides.
constexpr double BAR_INSET = 60;

Canvas DrawClock(int32_t number, int32_t scale) {
    Canvas canvas = PanelCanvas(number, 512, 512, scale);
    Glow(canvas, CLOCK_X, CLOCK_Y, CLOCK_R * 0.9, HexColour(0x3A1C50), 0.9);
    ScreenRect area = {CLOCK_X - CLOCK_R - 8, CLOCK_Y - CLOCK_R - 8, CLOCK_X + CLOCK_R + 8, CLOCK_Y + CLOCK_R + 8};
    Shade(canvas, area, Blend::ADD, [](double x, double y, double texel) {
        double r = std::hypot(x - CLOCK_X, y - CLOCK_Y);
        double ring = std::abs(r - CLOCK_R) - 2.5;
        double halo = std::exp(-std::pow(std::max(0.0, std::abs(r - CLOCK_R) - 2.5) / 5.0, 2)) * 0.35;
        double angle = std::atan2(y - CLOCK_Y, x - CLOCK_X);
        Rgb ink = Mix(AMBER, MAGENTA, 0.5 + 0.5 * std::sin(angle));
        return Paint{ink, std::min(1.0, Coverage(ring, texel) + halo)};
    });
    // Twelve marks, long at the quarters.
    for (int i = 0; i < 12; ++i) {
        double a = i * PI / 6;
        double inner = i % 3 == 0 ? CLOCK_R - 20 : CLOCK_R - 12;
        Line(canvas, CLOCK_X + std::sin(a) * inner, CLOCK_Y - std::cos(a) * inner,
             CLOCK_X + std::sin(a) * (CLOCK_R - 6), CLOCK_Y - std::cos(a) * (CLOCK_R - 6), i % 3 == 0 ? 4 : 2.2,
             i % 3 == 0 ? HexColour(0xFFD08A) : Scale(CYAN, 0.8), Blend::ADD);
    }
    // Three in the morning: the hour of the night shift.
    Glow(canvas, CLOCK_X + 22, CLOCK_Y - 20, 40, Scale(AMBER, 0.5), 0.35);
    Line(canvas, CLOCK_X, CLOCK_Y, CLOCK_X + 48, CLOCK_Y, 7, HexColour(0xFFE0A8), Blend::ADD);
    Line(canvas, CLOCK_X, CLOCK_Y, CLOCK_X, CLOCK_Y - 70, 4, HexColour(0xC8F0FF), Blend::ADD);
    Glow(canvas, CLOCK_X, CLOCK_Y, 6, PALE, 1.0);
    // A crescent tucked into the face.
    double mx = CLOCK_X - 34, my = CLOCK_Y + 34;
    Shade(canvas, {mx - 18, my - 18, mx + 18, my + 18}, Blend::ADD, [&](double x, double y, double texel) {
        double outer = std::hypot(x - mx, y - my) - 14;
        double inner = std::hypot(x - mx - 6, y - my + 4) - 12;
        return Paint{HexColour(0xF4E6B8), Coverage(std::max(outer, -inner), texel)};
    });
    Lcg random{44};
    for (int i = 0; i < 26; ++i) {
        double a = random.Next() * 2 * PI, r = CLOCK_R + 14 + random.Next() * 60;
        double x = CLOCK_X + std::cos(a) * r, y = CLOCK_Y + std::sin(a) * r;
        // Stars above the clock's foot, clear of the panel's left edge.
        if (y > CLOCK_Y + CLOCK_R + 6 || x < PanelOnScreen(SceneRole::LOGO_CLOCK).left + 10) continue;
        Glow(canvas, x, y, 0.8 + random.Next(), PALE, 0.5 + 0.5 * random.Next());
    }
    return canvas;
}

Rgb Chrome(double y, double top, double bottom) {
    double t = std::clamp((y - top) / (bottom - top), 0.0, 1.0);
    if (t < 0.5) return Mix(HexColour(0xFFF6E6), AMBER, t * 2);
    return Mix(AMBER, HexColour(0xFF5A3C), (t - 0.5) * 2);
}

Canvas DrawPartyName(const ShowTexts& texts, FontLibrary& fonts, int32_t number, int32_t scale) {
    Canvas canvas = PanelCanvas(number, 512, 128, scale);
    std::string name = Text(texts, "party.name");
    TextStyle style = {FontFace::SANS_BOLD, 58, 1};
    double room = NAME_PANEL.right - NAME_PANEL.left - 8;
    double width = MeasureText(fonts, style, name);
    if (width > room) style.size *= room / width;
    double baseline = NAME_PANEL.top + 54;
    DrawTextShaded(canvas, fonts, style, name, (NAME_PANEL.left + NAME_PANEL.right) / 2, baseline, Align::CENTRE,
                   [&](double, double y) { return Chrome(y, baseline - style.size * 0.73, baseline); }, 5, 0.6);
    return canvas;
}

Canvas DrawPartyYear(const ShowTexts& texts, FontLibrary& fonts, int32_t number, int32_t scale) {
    Canvas canvas = PanelCanvas(number, 256, 128, scale);
    TextStyle style = {FontFace::SANS_BOLD, 30, 9};
    const double middle = (YEAR_PANEL.left + YEAR_PANEL.right) / 2;
    DrawTextShaded(canvas, fonts, style, Text(texts, "party.year"), middle + 2, YEAR_PANEL.top + 46, Align::CENTRE,
                   [middle](double x, double) { return Mix(CYAN, HexColour(0xC8F0FF), (x - (middle - 56)) / 120); },
                   3, 0.7);
    return canvas;
}

// The bars lie along the top and the bottom of the screen; their rows count from that edge.
Canvas DrawBar(const ShowTexts& texts, FontLibrary& fonts, bool top, int32_t number, int32_t scale) {
    Canvas canvas = PanelCanvas(number, 1024, 1024, scale);
    constexpr double MIDDLE = SCREEN_WIDTH / 2;
    if (top) {
        FadingLine(canvas, 0, SCREEN_WIDTH, 80, 2, CYAN, MAGENTA, 0.9);
        FadingLine(canvas, BAR_INSET, SCREEN_WIDTH - BAR_INSET, 86, 1, CYAN, CYAN, 0.5);
        DrawTextShaded(canvas, fonts, {FontFace::SANS_BOLD, 15, 5}, Text(texts, "intro.top"), MIDDLE, 54,
                       Align::CENTRE, [](double, double) { return PALE; }, 3, 0.5);
    } else {
        FadingLine(canvas, 0, SCREEN_WIDTH, SCREEN_HEIGHT - 54, 2, MAGENTA, CYAN, 0.9);
        FadingLine(canvas, BAR_INSET, SCREEN_WIDTH - BAR_INSET, SCREEN_HEIGHT - 60, 1, CYAN, CYAN, 0.5);
        DrawTextShaded(canvas, fonts, {FontFace::SANS_BOLD, 14, 2.5}, Text(texts, "intro.bottom"), MIDDLE,
                       SCREEN_HEIGHT - 24, Align::CENTRE, [](double, double) { return HexColour(0xC8F0FF); }, 2, 0.5);
    }
    return canvas;
}

}  // namespace

bool DrawLogoPicture(const PictureSources& sources, FontLibrary& fonts, GeneratedPicture& out, std::string&) {
    const int32_t n = out.number;
    const SceneRole role = FindScenePicture(n)->role;
    Canvas canvas;
    if (role == SceneRole::LOGO_CLOCK) {
        canvas = DrawClock(n, out.scale);
    } else if (role == SceneRole::LOGO_LOWER_BAR || role == SceneRole::LOGO_UPPER_BAR) {
        canvas = DrawBar(sources.texts, fonts, role == SceneRole::LOGO_UPPER_BAR, n, out.scale);
        out.kind = role == SceneRole::LOGO_LOWER_BAR ? BmpKind::RLE8 : BmpKind::PALETTE8;
    } else if (role == SceneRole::LOGO_NAME) {
        canvas = DrawPartyName(sources.texts, fonts, n, out.scale);
    } else {
        canvas = DrawPartyYear(sources.texts, fonts, n, out.scale);
    }
    out.picture = ToPicture(canvas, false);
    if (out.kind != BmpKind::RGB24)
        QuantiseToInks(out.picture, {CYAN, MAGENTA, PALE, HexColour(0xC8F0FF), HexColour(0x9D92D1)}, 51);
    return true;
}
