// A picture being painted: float RGB texels, and the map from the screen pixels
// the picture is designed in (SCREEN_WIDTH x SCREEN_HEIGHT, rows from the top) to its texels.
#pragma once

#include "panel/placement.h"

#include <cstdint>
#include <functional>
#include <vector>

struct Rgb {
    float r, g, b;
};

constexpr Rgb BLACK = {0, 0, 0};

Rgb Mix(Rgb a, Rgb b, double t);
Rgb Scale(Rgb colour, double factor);
// From 0xRRGGBB.
constexpr Rgb HexColour(uint32_t rgb) {
    return {static_cast<float>((rgb >> 16) & 255) / 255.0f, static_cast<float>((rgb >> 8) & 255) / 255.0f,
            static_cast<float>(rgb & 255) / 255.0f};
}

struct Canvas {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<Rgb> texels;   // rows from the top
    // texel column = (screenX - originX) * scaleX, texel row = (screenY - originY) * scaleY
    double originX = 0, originY = 0;
    double scaleX = 1, scaleY = 1;
};

// Texels equal screen pixels from the top-left corner.
Canvas MakeCanvas(int32_t width, int32_t height);
// Texels laid over the screen the way the panel shows them.
Canvas MakePanelCanvas(int32_t width, int32_t height, const PanelPlacement& placement);

struct ScreenRect {
    double left, top, right, bottom;   // screen pixels
};

// What a shader returns for one point: the colour and how much of it covers the texel.
struct Paint {
    Rgb colour;
    double alpha;
};

enum class Blend { OVER, ADD };

// Calls the shader at the centre of every texel whose centre lies in the screen
// rectangle, with the screen point and the size of one texel in screen pixels,
// and blends the result in.
void Shade(Canvas& canvas, ScreenRect area, Blend blend,
           const std::function<Paint(double x, double y, double texelSize)>& shader);

// Coverage of a texel by a shape whose signed distance (screen pixels, negative
// inside) is `distance`.
double Coverage(double distance, double texelSize);

double BoxDistance(double x, double y, ScreenRect box, double radius);
double SegmentDistance(double x, double y, double ax, double ay, double bx, double by);
double TriangleDistance(double x, double y, const double (&corners)[6]);

void FillRect(Canvas& canvas, ScreenRect box, Rgb colour, double radius = 0, Blend blend = Blend::OVER);

// A coverage mask in texels, placed on the canvas with its top-left texel at (left, top).
struct Mask {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> coverage;
};

Mask BlurMask(const Mask& mask, int32_t radius);
// The rim `width` texels wide just outside the mask's shapes.
Mask OutlineMask(const Mask& mask, int32_t width);
// Turned a quarter to the left: rows become columns, reading upwards.
Mask RotateMaskLeft(const Mask& mask);
void BlitMask(Canvas& canvas, const Mask& mask, int32_t left, int32_t top, Blend blend,
              const std::function<Rgb(int32_t column, int32_t row)>& colourAt, double strength = 1.0);

// Rounds to 8-bit RGB, rows from the top; with `dither`, an ordered dither hides
// the steps of slow gradients.
std::vector<uint8_t> CanvasBytes(const Canvas& canvas, bool dither = false);
