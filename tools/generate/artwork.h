// What every family of the show's pictures shares: the palette, the menu's screen
// layout and small painting helpers.
#pragma once

#include "panel/scene_table.h"
#include "show/menu.h"
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

// Where a placement lies on screen at rest, to the whole pixel, left to right and
// top to bottom. The pictures are laid out from these edges.
constexpr double WholePixel(double x) { return static_cast<double>(static_cast<int64_t>(x < 0 ? x - 0.5 : x + 0.5)); }
constexpr ScreenRect PanelOnScreen(const PanelPlacement& placement) {
    ScreenCorners c = PlacementOnScreen(placement);
    return {WholePixel(c.left < c.right ? c.left : c.right), WholePixel(c.top < c.bottom ? c.top : c.bottom),
            WholePixel(c.left < c.right ? c.right : c.left), WholePixel(c.top < c.bottom ? c.bottom : c.top)};
}
constexpr ScreenRect PanelOnScreen(SceneRole role) { return PanelOnScreen(FindScenePicture(SceneNumber(role))->placement); }

// The menu rail right of the pages: a slot per position, ending just left of the
// pointer where the menu shifts it; the labels stand right-aligned in the slots.
constexpr double POINTER_LEFT = WholePixel(ScreenColumn(POINTER_PLACE.xStart + POINTER_X_OFFSET));
constexpr double SLOT_RIGHT = POINTER_LEFT - 2;
constexpr double SLOT_LEFT = SLOT_RIGHT - 82;
constexpr double LABEL_RIGHT = SLOT_RIGHT - 6;
// The pointer's track: the middle of what the screen shows of it.
constexpr double POINTER_TRACK = (POINTER_LEFT + SCREEN_WIDTH) / 2;

// The dark box the pages sit in, from just above the page panel to the foot of the
// screen, clear of the menu rail; the text column inside it.
constexpr ScreenRect PAGE_PANEL = PanelOnScreen(SceneRole::TEXT_PAGE);
constexpr ScreenRect TEXT_BOX = {PAGE_PANEL.left - 10, PAGE_PANEL.top - 8, SLOT_LEFT - 4, SCREEN_HEIGHT - 2};
constexpr double TEXT_LEFT = PAGE_PANEL.left + 2;
constexpr double TEXT_TOP = PAGE_PANEL.top + 6;
constexpr double TEXT_WIDTH = TEXT_BOX.right - 8 - TEXT_LEFT;
constexpr double FOOTER_BASELINE = SCREEN_HEIGHT - 12;
constexpr double TEXT_LAST_BASELINE = FOOTER_BASELINE - 22;
static_assert(TEXT_WIDTH > 0 && TEXT_LEFT + TEXT_WIDTH < TEXT_BOX.right && TEXT_BOX.right < SLOT_LEFT &&
                  TEXT_LEFT >= PAGE_PANEL.left && TEXT_LAST_BASELINE < FOOTER_BASELINE,
              "the pages' column lies on the page panel, left of the menu rail");

// A small fixed-sequence generator: the same stars on every build.
struct Lcg {
    uint32_t state;
    double Next() {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / 16777216.0;
    }
};

// A canvas laid over the screen the way panel `number` shows it: a width x height
// picture at scale 1, N times each side at picture scale N.
Canvas PanelCanvas(int32_t number, int32_t width, int32_t height, int32_t scale);

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
