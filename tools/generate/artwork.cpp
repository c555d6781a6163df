// The helpers every family of pictures paints with.
#include "tools/generate/artwork.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>

Canvas PanelCanvas(int32_t number, int32_t width, int32_t height, int32_t scale) {
    return MakePanelCanvas(width, height, *FindPanelPlacement(number), scale);
}

void Glow(Canvas& canvas, double cx, double cy, double radius, Rgb colour, double strength) {
    ScreenRect area = {cx - 3 * radius, cy - 3 * radius, cx + 3 * radius, cy + 3 * radius};
    Shade(canvas, area, Blend::ADD, [&](double x, double y, double) {
        double d2 = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) / (radius * radius);
        return Paint{colour, strength * std::exp(-d2)};
    });
}

void Line(Canvas& canvas, double ax, double ay, double bx, double by, double width, Rgb colour, Blend blend) {
    ScreenRect area = {std::min(ax, bx) - width - 2, std::min(ay, by) - width - 2, std::max(ax, bx) + width + 2,
                       std::max(ay, by) + width + 2};
    Shade(canvas, area, blend, [&](double x, double y, double texel) {
        return Paint{colour, Coverage(SegmentDistance(x, y, ax, ay, bx, by) - width / 2, texel)};
    });
}

// A horizontal hairline that fades out towards both ends.
void FadingLine(Canvas& canvas, double left, double right, double y, double thickness, Rgb from, Rgb to,
                double strength) {
    ScreenRect area = {left, y - thickness - 2, right, y + thickness + 2};
    Shade(canvas, area, Blend::ADD, [&](double x, double yy, double texel) {
        double t = (x - left) / (right - left);
        double fade = std::sin(PI * t);
        double cover = Coverage(std::abs(yy - y) - thickness / 2, texel);
        return Paint{Mix(from, to, t), strength * fade * cover};
    });
}

RgbPicture ToPicture(const Canvas& canvas, bool dither) {
    return {canvas.width, canvas.height, CanvasBytes(canvas, dither)};
}

double PointerRow(int32_t position) {
    const PanelPlacement& pointer = *FindPanelPlacement(POINTER_PANEL);
    double middle = (pointer.yStart + pointer.yEnd) / 2.0 + POINTER_Y[position];
    return ScreenRow(middle);
}

void QuantiseToInks(RgbPicture& picture, const std::vector<Rgb>& inks, int32_t levels) {
    std::vector<std::array<int, 3>> palette = {{0, 0, 0}};
    for (const Rgb& ink : inks)
        for (int32_t k = 1; k <= levels; ++k) {
            double t = static_cast<double>(k) / levels;
            palette.push_back({static_cast<int>(std::lround(ink.r * t * 255)),
                               static_cast<int>(std::lround(ink.g * t * 255)),
                               static_cast<int>(std::lround(ink.b * t * 255))});
        }
    std::unordered_map<uint32_t, std::array<int, 3>> nearest;
    for (size_t i = 0; i + 2 < picture.rgb.size(); i += 3) {
        uint32_t key = (uint32_t{picture.rgb[i]} << 16) | (uint32_t{picture.rgb[i + 1]} << 8) | picture.rgb[i + 2];
        auto it = nearest.find(key);
        if (it == nearest.end()) {
            int best = 0;
            long bestDistance = -1;
            for (size_t p = 0; p < palette.size(); ++p) {
                long dr = palette[p][0] - picture.rgb[i], dg = palette[p][1] - picture.rgb[i + 1],
                     db = palette[p][2] - picture.rgb[i + 2];
                long distance = dr * dr + dg * dg + db * db;
                if (bestDistance < 0 || distance < bestDistance) {
                    bestDistance = distance;
                    best = static_cast<int>(p);
                }
            }
            it = nearest.emplace(key, palette[best]).first;
        }
        for (int c = 0; c < 3; ++c) picture.rgb[i + c] = static_cast<uint8_t>(it->second[c]);
    }
}
