// Painting on a canvas: shapes by signed distance, masks, blending and the rounding to bytes.
#include "tools/generate/canvas.h"

#include <algorithm>
#include <cmath>

Rgb Mix(Rgb a, Rgb b, double t) {
    return {static_cast<float>(a.r + (b.r - a.r) * t), static_cast<float>(a.g + (b.g - a.g) * t),
            static_cast<float>(a.b + (b.b - a.b) * t)};
}

Rgb Scale(Rgb colour, double factor) {
    return {static_cast<float>(colour.r * factor), static_cast<float>(colour.g * factor),
            static_cast<float>(colour.b * factor)};
}

Canvas MakeCanvas(int32_t width, int32_t height) {
    Canvas canvas;
    canvas.width = width;
    canvas.height = height;
    canvas.texels.assign(static_cast<size_t>(width) * height, BLACK);
    return canvas;
}

Canvas MakePanelCanvas(int32_t width, int32_t height, const PanelPlacement& placement) {
    Canvas canvas = MakeCanvas(width, height);
    // Corner (xStart, yStart) shows texture point (uStart, vStart), the opposite
    // corner (uEnd, vEnd); v counts from the bottom row, texel rows from the top.
    ScreenCorners corners = PlacementOnScreen(placement);
    double x0 = corners.left, x1 = corners.right, y0 = corners.top, y1 = corners.bottom;
    double c0 = placement.uStart * width, c1 = placement.uEnd * width;
    double r0 = (1.0 - placement.vStart) * height, r1 = (1.0 - placement.vEnd) * height;
    canvas.scaleX = (c1 - c0) / (x1 - x0);
    canvas.scaleY = (r1 - r0) / (y1 - y0);
    canvas.originX = x0 - c0 / canvas.scaleX;
    canvas.originY = y0 - r0 / canvas.scaleY;
    return canvas;
}

double Coverage(double distance, double texelSize) {
    return std::clamp(0.5 - distance / texelSize, 0.0, 1.0);
}

double BoxDistance(double x, double y, ScreenRect box, double radius) {
    double cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    double hx = (box.right - box.left) / 2 - radius, hy = (box.bottom - box.top) / 2 - radius;
    double dx = std::abs(x - cx) - hx, dy = std::abs(y - cy) - hy;
    double outside = std::hypot(std::max(dx, 0.0), std::max(dy, 0.0));
    return outside + std::min(std::max(dx, dy), 0.0) - radius;
}

double SegmentDistance(double x, double y, double ax, double ay, double bx, double by) {
    double px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? std::clamp((px * dx + py * dy) / length2, 0.0, 1.0) : 0.0;
    return std::hypot(px - dx * t, py - dy * t);
}

double TriangleDistance(double x, double y, const double (&c)[6]) {
    double best = 1e30;
    int inside = 0;
    for (int i = 0; i < 3; ++i) {
        int j = (i + 1) % 3;
        double ax = c[2 * i], ay = c[2 * i + 1], bx = c[2 * j], by = c[2 * j + 1];
        best = std::min(best, SegmentDistance(x, y, ax, ay, bx, by));
        double cross = (bx - ax) * (y - ay) - (by - ay) * (x - ax);
        inside += cross > 0 ? 1 : (cross < 0 ? -1 : 0);
    }
    return (inside == 3 || inside == -3) ? -best : best;
}

static void BlendTexel(Rgb& texel, Rgb colour, double alpha, Blend blend) {
    if (alpha <= 0) return;
    if (blend == Blend::ADD) {
        texel = {static_cast<float>(texel.r + colour.r * alpha), static_cast<float>(texel.g + colour.g * alpha),
                 static_cast<float>(texel.b + colour.b * alpha)};
    } else {
        texel = Mix(texel, colour, std::min(alpha, 1.0));
    }
}

void Shade(Canvas& canvas, ScreenRect area, Blend blend,
           const std::function<Paint(double, double, double)>& shader) {
    int32_t c0 = std::max(0, static_cast<int32_t>(std::floor((area.left - canvas.originX) * canvas.scaleX)));
    int32_t c1 = std::min(canvas.width - 1,
                          static_cast<int32_t>(std::ceil((area.right - canvas.originX) * canvas.scaleX)));
    int32_t r0 = std::max(0, static_cast<int32_t>(std::floor((area.top - canvas.originY) * canvas.scaleY)));
    int32_t r1 = std::min(canvas.height - 1,
                          static_cast<int32_t>(std::ceil((area.bottom - canvas.originY) * canvas.scaleY)));
    double texelSize = 1.0 / std::min(canvas.scaleX, canvas.scaleY);
    for (int32_t row = r0; row <= r1; ++row) {
        double y = canvas.originY + (row + 0.5) / canvas.scaleY;
        if (y < area.top || y > area.bottom) continue;
        for (int32_t column = c0; column <= c1; ++column) {
            double x = canvas.originX + (column + 0.5) / canvas.scaleX;
            if (x < area.left || x > area.right) continue;
            Paint paint = shader(x, y, texelSize);
            BlendTexel(canvas.texels[static_cast<size_t>(row) * canvas.width + column], paint.colour, paint.alpha,
                       blend);
        }
    }
}

void FillRect(Canvas& canvas, ScreenRect box, Rgb colour, double radius, Blend blend) {
    ScreenRect area = {box.left - 2, box.top - 2, box.right + 2, box.bottom + 2};
    Shade(canvas, area, blend, [&](double x, double y, double texel) {
        return Paint{colour, Coverage(BoxDistance(x, y, box, radius), texel)};
    });
}

Mask BlurMask(const Mask& mask, int32_t radius) {
    // Two box passes each way come close to a Gaussian glow.
    Mask out;
    out.width = mask.width + 4 * radius;
    out.height = mask.height + 4 * radius;
    std::vector<double> a(static_cast<size_t>(out.width) * out.height, 0.0), b(a.size(), 0.0);
    for (int32_t r = 0; r < mask.height; ++r)
        for (int32_t c = 0; c < mask.width; ++c)
            a[static_cast<size_t>(r + 2 * radius) * out.width + c + 2 * radius] =
                mask.coverage[static_cast<size_t>(r) * mask.width + c];
    int32_t span = 2 * radius + 1;
    auto pass = [&](std::vector<double>& from, std::vector<double>& to, bool horizontal) {
        for (int32_t r = 0; r < out.height; ++r)
            for (int32_t c = 0; c < out.width; ++c) {
                double sum = 0;
                for (int32_t k = -radius; k <= radius; ++k) {
                    int32_t rr = horizontal ? r : r + k, cc = horizontal ? c + k : c;
                    if (rr >= 0 && rr < out.height && cc >= 0 && cc < out.width)
                        sum += from[static_cast<size_t>(rr) * out.width + cc];
                }
                to[static_cast<size_t>(r) * out.width + c] = sum / span;
            }
    };
    pass(a, b, true);
    pass(b, a, false);
    pass(a, b, true);
    pass(b, a, false);
    out.coverage.resize(a.size());
    for (size_t i = 0; i < a.size(); ++i)
        out.coverage[i] = static_cast<uint8_t>(std::clamp(std::lround(a[i]), 0L, 255L));
    return out;
}

Mask RotateMaskLeft(const Mask& mask) {
    Mask out;
    out.width = mask.height;
    out.height = mask.width;
    out.coverage.resize(mask.coverage.size());
    for (int32_t r = 0; r < mask.height; ++r)
        for (int32_t c = 0; c < mask.width; ++c)
            out.coverage[static_cast<size_t>(mask.width - 1 - c) * out.width + r] =
                mask.coverage[static_cast<size_t>(r) * mask.width + c];
    return out;
}

void BlitMask(Canvas& canvas, const Mask& mask, int32_t left, int32_t top, Blend blend,
              const std::function<Rgb(int32_t, int32_t)>& colourAt, double strength) {
    for (int32_t r = 0; r < mask.height; ++r) {
        int32_t row = top + r;
        if (row < 0 || row >= canvas.height) continue;
        for (int32_t c = 0; c < mask.width; ++c) {
            int32_t column = left + c;
            if (column < 0 || column >= canvas.width) continue;
            uint8_t cover = mask.coverage[static_cast<size_t>(r) * mask.width + c];
            if (cover == 0) continue;
            BlendTexel(canvas.texels[static_cast<size_t>(row) * canvas.width + column], colourAt(column, row),
                       cover / 255.0 * strength, blend);
        }
    }
}

std::vector<uint8_t> CanvasBytes(const Canvas& canvas, bool dither) {
    static constexpr int BAYER[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    std::vector<uint8_t> bytes;
    bytes.reserve(canvas.texels.size() * 3);
    for (int32_t r = 0; r < canvas.height; ++r)
        for (int32_t c = 0; c < canvas.width; ++c) {
            float offset = dither ? (BAYER[r % 4][c % 4] + 0.5f) / 16.0f - 0.5f : 0.0f;
            auto channel = [offset](float v) {
                return static_cast<uint8_t>(std::clamp(std::lround(v * 255.0f + offset), 0L, 255L));
            };
            const Rgb& t = canvas.texels[static_cast<size_t>(r) * canvas.width + c];
            bytes.push_back(channel(t.r));
            bytes.push_back(channel(t.g));
            bytes.push_back(channel(t.b));
        }
    return bytes;
}

Mask OutlineMask(const Mask& mask, int32_t width) {
    Mask out;
    out.width = mask.width + 2 * width;
    out.height = mask.height + 2 * width;
    out.coverage.assign(static_cast<size_t>(out.width) * out.height, 0);
    auto at = [&mask](int32_t r, int32_t c) -> int {
        if (r < 0 || c < 0 || r >= mask.height || c >= mask.width) return 0;
        return mask.coverage[static_cast<size_t>(r) * mask.width + c];
    };
    for (int32_t r = 0; r < out.height; ++r)
        for (int32_t c = 0; c < out.width; ++c) {
            int grown = 0;
            for (int32_t dr = -width; dr <= width; ++dr)
                for (int32_t dc = -width; dc <= width; ++dc)
                    if (dr * dr + dc * dc <= width * width) grown = std::max(grown, at(r - width + dr, c - width + dc));
            out.coverage[static_cast<size_t>(r) * out.width + c] =
                static_cast<uint8_t>(std::max(0, grown - at(r - width, c - width)));
        }
    return out;
}
