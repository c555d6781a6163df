// The menu's buttons, entry pictures and pointer.
#include "tools/generate/artwork.h"

#include <algorithm>
#include <cmath>

namespace {

const TextStyle LABEL_STYLE = {FontFace::SANS_BOLD, 12, 0.6};

// The open entry's title stands upright left of the text box, its baseline on
// one column so that every title lines up, centred on one row, at most this long.
constexpr double TITLE_BASELINE_COLUMN = TEXT_BOX.left - 26;
constexpr double TITLE_MIDDLE_ROW = 258;
constexpr int32_t TITLE_ROOM = 400;

void DrawSlot(Canvas& canvas, FontLibrary& fonts, int32_t position, const std::string& label, bool lit,
              int32_t arrow) {
    double row = PointerRow(position);
    ScreenRect slot = {SLOT_LEFT + 1, row - 11, SLOT_RIGHT - 1, row + 11};
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
    double width = MeasureText(fonts, style, title);
    if (width > TITLE_ROOM) style.size *= TITLE_ROOM / width;
    TextMask text = RenderText(fonts, style, title, canvas);
    Mask upright = RotateMaskLeft(text.mask);
    // Rotated, the baseline becomes a column.
    double baselineColumn = (TITLE_BASELINE_COLUMN - canvas.originX) * canvas.scaleX;
    auto left = static_cast<int32_t>(std::lround(baselineColumn)) - text.baseline;
    double centreRow = (TITLE_MIDDLE_ROW - canvas.originY) * canvas.scaleY;
    auto top = static_cast<int32_t>(std::lround(centreRow - text.advance / 2)) - text.originX +
               (upright.height - text.mask.width);
    double span = MaskTexels(canvas, TITLE_ROOM);
    auto colour = [&](int32_t, int32_t row) {
        double t = std::clamp((row - (centreRow - span / 2)) / span, 0.0, 1.0);
        return Scale(Mix(AMBER, MAGENTA, t), 0.75);
    };
    BlitGlow(canvas, upright, left, top, 4, colour, 0.5);
    BlitMask(canvas, upright, left, top, Blend::OVER, colour);
}

// The arrow in the pointer's 64 x 64 texels; only the left 48 columns are on screen.
constexpr double ARROW[6] = {4, 32, 26, 17, 26, 47};
constexpr ScreenRect ARROW_TAIL = {22, 27, 42, 37};

double ArrowDistance(double x, double y) {
    return std::min(TriangleDistance(x, y, ARROW), BoxDistance(x, y, ARROW_TAIL, 2));
}

Canvas DrawPointer(int32_t scale) {
    Canvas canvas = MakeCanvas(64, 64, scale);
    Shade(canvas, {0, 0, 64, 64}, Blend::OVER, [](double x, double y, double texel) {
        double d = ArrowDistance(x, y);
        Rgb hot = Mix(HexColour(0xFFF1C8), AMBER, std::clamp((x - 4) / 34.0, 0.0, 1.0));
        Rgb ink = d > -2.2 ? HexColour(0xFFF6E0) : hot;   // a bright rim
        return Paint{ink, Coverage(d, texel)};
    });
    return canvas;
}

Canvas DrawPointerMask(int32_t scale) {
    Canvas canvas = MakeCanvas(64, 64, scale);
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
    Canvas canvas = PanelCanvas(n, 512, 512, out.scale);
    // A button picture's place among them is the button it shows lit.
    int32_t lit = SceneRoleIndex(n);
    DrawSlot(canvas, fonts, PREVIOUS_PAGE_POSITION, Text(sources.texts, "menu." + std::to_string(PREVIOUS_PAGE_POSITION)),
             lit == PREVIOUS_BUTTON, -1);
    DrawSlot(canvas, fonts, NEXT_PAGE_POSITION, Text(sources.texts, "menu." + std::to_string(NEXT_PAGE_POSITION)),
             lit == NEXT_BUTTON, 1);
    out.picture = ToPicture(canvas, false);
    return true;
}

bool DrawEntryPicture(const PictureSources& sources, FontLibrary& fonts, GeneratedPicture& out, std::string&) {
    Canvas canvas = PanelCanvas(out.number, 512, 512, out.scale);
    for (int32_t e = 0; e < static_cast<int32_t>(MENU_ENTRIES.size()); ++e)
        if (MENU_ENTRIES[e].picturePanel == out.number) DrawEntryPicture(sources.texts, fonts, e, canvas);
    out.picture = ToPicture(canvas, false);
    return true;
}

bool DrawPointerPicture(const PictureSources&, FontLibrary&, GeneratedPicture& out, std::string&) {
    if (FindScenePicture(out.number)->role == SceneRole::POINTER) {
        out.picture = ToPicture(DrawPointer(out.scale), false);
    } else {
        out.picture = ToPicture(DrawPointerMask(out.scale), false);
        out.kind = BmpKind::CORE8;
    }
    return true;
}
