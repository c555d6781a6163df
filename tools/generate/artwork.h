// What every family of the show's pictures shares: the palette, the menu's screen
// layout and small painting helpers.
#pragma once

#include "tools/generate/pictures.h"

#include <cstdint>
#include <string>
#include <vector>

// The night palette: sodium-lamp amber for what matters, cool cyan for the rest.
constexpr Rgb AMBER = HexColour(0xFFB23F);
constexpr Rgb CYAN = HexColour(0x5BD6FF);
constexpr Rgb PALE = HexColour(0xE4E9F5);
constexpr Rgb MAGENTA = HexColour(0xFF4FA3);
constexpr Rgb DIM_LABEL = HexColour(0x6A7A96);

constexpr double PI = 3.14159265358979323846;

// The text column of the pages, in screen pixels: the page panel starts at x 272;
// right of it the menu labels need their room.
constexpr double TEXT_LEFT = 274;
constexpr double TEXT_TOP = 54;
constexpr double TEXT_WIDTH = 222;
constexpr double TEXT_LAST_BASELINE = 446;
constexpr double FOOTER_BASELINE = 468;

// The dark box the pages sit in, and the labels' right edge beside the pointer.
constexpr ScreenRect TEXT_BOX = {262, 40, 504, 478};
constexpr double LABEL_RIGHT = 584;
constexpr double SLOT_LEFT = 508;

// A small fixed-sequence generator: the same stars on every build.
struct Lcg {
    uint32_t state;
    double Next() {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / 16777216.0;
    }
};

// A canvas laid over the screen the way panel `number` shows it.
Canvas PanelCanvas(int32_t number, int32_t width, int32_t height);

void Glow(Canvas& canvas, double cx, double cy, double radius, Rgb colour, double strength);
void Line(Canvas& canvas, double ax, double ay, double bx, double by, double width, Rgb colour,
          Blend blend = Blend::OVER);
// A horizontal hairline that fades out towards both ends.
void FadingLine(Canvas& canvas, double left, double right, double y, double thickness, Rgb from, Rgb to,
                double strength);

RgbPicture ToPicture(const Canvas& canvas, bool dither);

// Maps every pixel to the nearest of black and `levels` shades of each ink.
void QuantiseToInks(RgbPicture& picture, const std::vector<Rgb>& inks, int32_t levels);

// Screen row of the middle of the pointer at a menu position.
double PointerRow(int32_t position);

// The drawers of the families: each paints picture `out.number` and sets its
// pixels and file kind; false, with the reason in `error`, when a text does not fit.
using PictureDrawer = bool (*)(const PictureSources& sources, FontLibrary& fonts, GeneratedPicture& out,
                               std::string& error);
bool DrawBackdropPicture(const PictureSources& sources, FontLibrary& fonts, GeneratedPicture& out,
                         std::string& error);
bool DrawPagePicture(const PictureSources& sources, FontLibrary& fonts, GeneratedPicture& out, std::string& error);
bool DrawButtonPicture(const PictureSources& sources, FontLibrary& fonts, GeneratedPicture& out, std::string& error);
bool DrawEntryPicture(const PictureSources& sources, FontLibrary& fonts, GeneratedPicture& out, std::string& error);
bool DrawPointerPicture(const PictureSources& sources, FontLibrary& fonts, GeneratedPicture& out,
                        std::string& error);
bool DrawLogoPicture(const PictureSources& sources, FontLibrary& fonts, GeneratedPicture& out, std::string& error);
bool DrawCreditsPicture(const PictureSources& sources, FontLibrary& fonts, GeneratedPicture& out,
                        std::string& error);
