// The intro's logo: the clock, the two bars, the party's name and year.
#include "tools/generate/artwork.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double CLOCK_X = 482, CLOCK_Y = 196, CLOCK_R = 88;

Canvas DrawClock() {
    Canvas canvas = PanelCanvas(40, 512, 512);
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
        if (y > 290 || x < 330) continue;
        Glow(canvas, x, y, 0.8 + random.Next(), PALE, 0.5 + 0.5 * random.Next());
    }
    return canvas;
}

Rgb Chrome(double y, double top, double bottom) {
    double t = std::clamp((y - top) / (bottom - top), 0.0, 1.0);
    if (t < 0.5) return Mix(HexColour(0xFFF6E6), AMBER, t * 2);
    return Mix(AMBER, HexColour(0xFF5A3C), (t - 0.5) * 2);
}

Canvas DrawPartyName(const ShowTexts& texts, FontLibrary& fonts) {
    Canvas canvas = PanelCanvas(42, 512, 128);
    std::string name = Text(texts, "party.name");
    TextStyle style = {FontFace::SANS_BOLD, 58, 1};
    double room = 376;
    double width = MeasureText(fonts, style, name);
    if (width > room) style.size *= room / width;
    double baseline = 390;
    DrawTextShaded(canvas, fonts, style, name, 256, baseline, Align::CENTRE,
                   [&](double, double y) { return Chrome(y, baseline - style.size * 0.73, baseline); }, 5, 0.6);
    return canvas;
}

Canvas DrawPartyYear(const ShowTexts& texts, FontLibrary& fonts) {
    Canvas canvas = PanelCanvas(44, 256, 128);
    TextStyle style = {FontFace::SANS_BOLD, 30, 9};
    DrawTextShaded(canvas, fonts, style, Text(texts, "party.year"), 338, 334, Align::CENTRE,
                   [](double x, double) { return Mix(CYAN, HexColour(0xC8F0FF), (x - 280) / 120); }, 3, 0.7);
    return canvas;
}

Canvas DrawBar(const ShowTexts& texts, FontLibrary& fonts, bool top) {
    Canvas canvas = PanelCanvas(top ? 43 : 41, 1024, 1024);
    if (top) {
        FadingLine(canvas, 0, 640, 80, 2, CYAN, MAGENTA, 0.9);
        FadingLine(canvas, 60, 580, 86, 1, CYAN, CYAN, 0.5);
        DrawTextShaded(canvas, fonts, {FontFace::SANS_BOLD, 15, 5}, Text(texts, "intro.top"), 320, 54,
                       Align::CENTRE, [](double, double) { return PALE; }, 3, 0.5);
    } else {
        FadingLine(canvas, 0, 640, 426, 2, MAGENTA, CYAN, 0.9);
        FadingLine(canvas, 60, 580, 420, 1, CYAN, CYAN, 0.5);
        DrawTextShaded(canvas, fonts, {FontFace::SANS_BOLD, 14, 2.5}, Text(texts, "intro.bottom"), 320, 456,
                       Align::CENTRE, [](double, double) { return HexColour(0xC8F0FF); }, 2, 0.5);
    }
    return canvas;
}

}  // namespace

bool DrawLogoPicture(const PictureSources& sources, FontLibrary& fonts, GeneratedPicture& out, std::string&) {
    int32_t n = out.number;
    Canvas canvas;
    if (n == 40) {
        canvas = DrawClock();
    } else if (n == 41 || n == 43) {
        canvas = DrawBar(sources.texts, fonts, n == 43);
        out.kind = n == 41 ? BmpKind::RLE8 : BmpKind::PALETTE8;
    } else if (n == 42) {
        canvas = DrawPartyName(sources.texts, fonts);
    } else {
        canvas = DrawPartyYear(sources.texts, fonts);
    }
    out.picture = ToPicture(canvas, false);
    if (out.kind != BmpKind::RGB24)
        QuantiseToInks(out.picture, {CYAN, MAGENTA, PALE, HexColour(0xC8F0FF), HexColour(0x9D92D1)}, 51);
    return true;
}
