// The menu's buttons, entry pictures and pointer.
#include "tools/generate/artwork.h"

#include "panel/draw.h"
#include "show/menu.h"

#include <algorithm>
#include <cmath>

namespace {

const TextStyle LABEL_STYLE = {FontFace::SANS_BOLD, 12, 0.6};

void DrawSlot(Canvas& canvas, FontLibrary& fonts, int32_t position, const std::string& label, bool lit,
              int32_t arrow) {
    double row = PointerRow(position);
    ScreenRect slot = {SLOT_LEFT + 1, row - 11, 589, row + 11};
    if (lit) {
        FillRect(canvas, slot, Scale(AMBER, 0.16), 4, Blend::ADD);
        Shade(canvas, {slot.left - 2, slot.top - 2, slot.right + 2, slot.bottom + 2}, Blend::ADD,
              [&](double x, double y, double texel) {
                  double d = std::abs(BoxDistance(x, y, slot, 4)) - 0.6;
                  return Paint{AMBER, 0.9 * Coverage(d, texel)};
              });
    }
    Rgb ink = lit ? HexColour(0xFFD08A) : DIM_LABEL;
    auto colour = [ink](double, double) { return ink; };
    double right = LABEL_RIGHT;
    if (arrow != 0) {
        // The page buttons carry a triangle pointing the way they turn.
        double cx = arrow < 0 ? SLOT_LEFT + 11 : LABEL_RIGHT - 5, cy = row;
        double s = arrow < 0 ? 1 : -1;
        double corners[6] = {cx - 4 * s, cy, cx + 3 * s, cy - 5, cx + 3 * s, cy + 5};
        Shade(canvas, {cx - 7, cy - 7, cx + 7, cy + 7}, Blend::OVER, [&](double x, double y, double texel) {
            return Paint{ink, Coverage(TriangleDistance(x, y, corners), texel)};
        });
        if (arrow > 0) right -= 14;
    }
    DrawTextShaded(canvas, fonts, LABEL_STYLE, label, right, row + 4.5, Align::RIGHT, colour, lit ? 2 : 0,
                   lit ? 0.55 : 0);
}

void DrawEntryPicture(const ShowTexts& texts, FontLibrary& fonts, int32_t open, Canvas& canvas) {
    for (int32_t e = 0; e < static_cast<int32_t>(MENU_ENTRIES.size()); ++e)
        DrawSlot(canvas, fonts, MENU_ENTRIES[e].position,
                 Text(texts, "menu." + std::to_string(MENU_ENTRIES[e].position)), e == open, 0);
    // The open entry's title, large and upright along the left of the text box.
    std::string title = Text(texts, "title." + std::to_string(open));
    TextStyle style = {FontFace::SANS_BOLD, 40, 3};
    double room = 400;
    double width = MeasureText(fonts, style, title);
    if (width > room) style.size *= room / width;
    TextMask text = RenderText(fonts, style, title, canvas.scaleX, canvas.scaleY);
    Mask upright = RotateMaskLeft(text.mask);
    // Rotated, the baseline becomes a column; keep it at a fixed place so every title lines up.
    double baselineColumn = (236 - canvas.originX) * canvas.scaleX;
    auto left = static_cast<int32_t>(std::lround(baselineColumn)) - text.baseline;
    double centreRow = (258 - canvas.originY) * canvas.scaleY;
    auto top = static_cast<int32_t>(std::lround(centreRow - text.advance / 2)) - text.originX +
               (upright.height - text.mask.width);
    auto colour = [&](int32_t, int32_t row) {
        double t = std::clamp((row - (centreRow - 200)) / 400.0, 0.0, 1.0);
        return Scale(Mix(AMBER, MAGENTA, t), 0.75);
    };
    Mask glow = BlurMask(upright, 4);
    BlitMask(canvas, glow, left - 8, top - 8, Blend::ADD, colour, 0.5);
    BlitMask(canvas, upright, left, top, Blend::OVER, colour);
}

// The arrow in the pointer's 64 x 64 texels; only the left 48 columns are on screen.
constexpr double ARROW[6] = {4, 32, 26, 17, 26, 47};
constexpr ScreenRect ARROW_TAIL = {22, 27, 42, 37};

double ArrowDistance(double x, double y) {
    return std::min(TriangleDistance(x, y, ARROW), BoxDistance(x, y, ARROW_TAIL, 2));
}

Canvas DrawPointer() {
    Canvas canvas = MakeCanvas(64, 64);
    Shade(canvas, {0, 0, 64, 64}, Blend::OVER, [](double x, double y, double texel) {
        double d = ArrowDistance(x, y);
        Rgb hot = Mix(HexColour(0xFFF1C8), AMBER, std::clamp((x - 4) / 34.0, 0.0, 1.0));
        Rgb ink = d > -2.2 ? HexColour(0xFFF6E0) : hot;   // a bright rim
        return Paint{ink, Coverage(d, texel)};
    });
    return canvas;
}

Canvas DrawPointerMask() {
    Canvas canvas = MakeCanvas(64, 64);
    Shade(canvas, {0, 0, 64, 64}, Blend::OVER, [](double x, double y, double texel) {
        // Black under the arrow and a dark seam around it; white lets the frame through.
        double cover = Coverage(ArrowDistance(x, y) - 2.5, texel);
        return Paint{Mix(Rgb{1, 1, 1}, BLACK, cover), 1.0};
    });
    return canvas;
}

}  // namespace

bool DrawButtonPicture(const PictureSources& sources, FontLibrary& fonts, GeneratedPicture& out, std::string&) {
    int32_t n = out.number;
    Canvas canvas = PanelCanvas(n, 512, 512);
    DrawSlot(canvas, fonts, PREVIOUS_PAGE_POSITION, Text(sources.texts, "menu." + std::to_string(PREVIOUS_PAGE_POSITION)),
             n == BUTTON_PANEL + PREVIOUS_BUTTON, -1);
    DrawSlot(canvas, fonts, NEXT_PAGE_POSITION, Text(sources.texts, "menu." + std::to_string(NEXT_PAGE_POSITION)),
             n == BUTTON_PANEL + NEXT_BUTTON, 1);
    out.picture = ToPicture(canvas, false);
    return true;
}

bool DrawEntryPicture(const PictureSources& sources, FontLibrary& fonts, GeneratedPicture& out, std::string&) {
    Canvas canvas = PanelCanvas(out.number, 512, 512);
    for (int32_t e = 0; e < static_cast<int32_t>(MENU_ENTRIES.size()); ++e)
        if (MENU_ENTRIES[e].picturePanel == out.number) DrawEntryPicture(sources.texts, fonts, e, canvas);
    out.picture = ToPicture(canvas, false);
    return true;
}

bool DrawPointerPicture(const PictureSources&, FontLibrary&, GeneratedPicture& out, std::string&) {
    if (out.number == SPRITE_TEXTURE) {
        out.picture = ToPicture(DrawPointer(), false);
    } else {
        out.picture = ToPicture(DrawPointerMask(), false);
        out.kind = BmpKind::CORE8;
    }
    return true;
}
