#include "tools/generate/pictures.h"

#include "tools/generate/source_text.h"

#include "image/scene_files.h"
#include "panel/panel.h"
#include "show/menu.h"
#include "tools/generate/pages.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace {

// The night palette: sodium-lamp amber for what matters, cool cyan for the rest.
const Rgb AMBER = HexColour(0xFFB23F);
const Rgb CYAN = HexColour(0x5BD6FF);
const Rgb PALE = HexColour(0xE4E9F5);
const Rgb MAGENTA = HexColour(0xFF4FA3);
const Rgb DIM_LABEL = HexColour(0x6A7A96);

constexpr double PI = 3.14159265358979323846;

// Entries of the menu in the order of their numbers, with the keys of their texts.
struct EntryInfo {
    const char* key;
    int32_t position;   // menu position that opens it
};
constexpr EntryInfo ENTRIES[4] = {{"party", 0}, {"compos", 1}, {"travel", 4}, {"faq", 5}};

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

const PanelPlacement& Placement(int32_t number) {
    for (const PanelPlacement& p : SCENE_PANEL_PLACEMENTS)
        if (number >= p.first && number <= p.last) return p;
    return SCENE_PANEL_PLACEMENTS[0];
}

Canvas PanelCanvas(int32_t number, int32_t width, int32_t height) {
    return MakePanelCanvas(width, height, Placement(number));
}

// A small fixed-sequence generator: the same stars on every build.
struct Lcg {
    uint32_t state;
    double Next() {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / 16777216.0;
    }
};

void Glow(Canvas& canvas, double cx, double cy, double radius, Rgb colour, double strength) {
    ScreenRect area = {cx - 3 * radius, cy - 3 * radius, cx + 3 * radius, cy + 3 * radius};
    Shade(canvas, area, Blend::ADD, [&](double x, double y, double) {
        double d2 = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) / (radius * radius);
        return Paint{colour, strength * std::exp(-d2)};
    });
}

void Line(Canvas& canvas, double ax, double ay, double bx, double by, double width, Rgb colour,
          Blend blend = Blend::OVER) {
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

std::string Text(const ShowTexts& texts, const std::string& key) {
    auto it = texts.find(key);
    return it == texts.end() ? std::string() : it->second;
}

RgbPicture ToPicture(const Canvas& canvas, bool dither) {
    return {canvas.width, canvas.height, CanvasBytes(canvas, dither)};
}

// ---- backdrop -------------------------------------------------------------

struct Building {
    double left, right, top;
};

std::vector<Building> Skyline() {
    std::vector<Building> buildings;
    Lcg random{2027};
    double x = -6;
    while (x < SCREEN_WIDTH) {
        double width = 16 + random.Next() * 30;
        double top = 408 + random.Next() * 48;
        buildings.push_back({x, x + width, top});
        x += width + (random.Next() < 0.3 ? 4 : 0);
    }
    buildings.push_back({50, 80, 360});   // the depot's clock tower
    return buildings;
}

void PaintBackdrop(Canvas& canvas) {
    ScreenRect all = {-8, -8, SCREEN_WIDTH + 8, SCREEN_HEIGHT + 40};
    Shade(canvas, all, Blend::OVER, [](double x, double y, double) {
        double t = std::clamp(y / SCREEN_HEIGHT, 0.0, 1.0);
        Rgb sky = Mix(HexColour(0x05041A), HexColour(0x1C0E36), t);
        // Town light on the horizon, warmest at the left.
        double glow = std::exp(-std::max(0.0, 470 - y) / 70.0) * (0.6 + 0.4 * std::exp(-x / 300.0));
        sky = Mix(sky, HexColour(0x5A2A3A), 0.55 * glow);
        return Paint{sky, 1.0};
    });
    // Stars over the town, kept off the text box and the menu rail.
    Lcg random{1907};
    for (int i = 0; i < 140; ++i) {
        double x = random.Next() * SCREEN_WIDTH, y = random.Next() * 400, size = random.Next();
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
        if (b.right > TEXT_BOX.left || b.top == 360) continue;
        for (double wy = b.top + 6; wy < SCREEN_HEIGHT - 4; wy += 8)
            for (double wx = b.left + 4; wx + 3 < b.right - 2; wx += 7)
                if (windows.Next() < 0.22)
                    FillRect(canvas, {wx, wy, wx + 3, wy + 4}, Scale(AMBER, 0.25 + 0.35 * windows.Next()));
    }
    // The clock tower's face: the party's emblem in small.
    Glow(canvas, 65, 376, 10, AMBER, 0.5);
    Shade(canvas, {52, 363, 78, 389}, Blend::OVER, [&](double x, double y, double texel) {
        return Paint{HexColour(0xFFD27A), Coverage(std::abs(std::hypot(x - 65, y - 376) - 7) - 1.2, texel)};
    });
    Line(canvas, 65, 376, 65, 371, 1.4, HexColour(0xFFD27A));
    Line(canvas, 65, 376, 69, 376, 1.4, HexColour(0xFFD27A));

    // The text box: dark enough to read the pages on, with a thin cool rim.
    FillRect(canvas, TEXT_BOX, HexColour(0x40C0E8), 9);
    FillRect(canvas, {TEXT_BOX.left + 1.2, TEXT_BOX.top + 1.2, TEXT_BOX.right - 1.2, TEXT_BOX.bottom - 1.2},
             HexColour(0x04050C), 8);
    // The menu rail: a slot for each position and the pointer's track.
    for (int32_t p = 0; p < MENU_POSITIONS; ++p) {
        double row = PointerRow(p);
        FillRect(canvas, {SLOT_LEFT, row - 12, 590, row + 12}, HexColour(0x1B2444), 5);
        FillRect(canvas, {SLOT_LEFT + 1, row - 11, 589, row + 11}, HexColour(0x080A18), 4);
    }
    FillRect(canvas, {615, 60, 617, SCREEN_HEIGHT + 40}, HexColour(0x162040));
}

// ---- menu labels ----------------------------------------------------------

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

// ---- pages ----------------------------------------------------------------

TextStyle PageStyle(LineRole role) {
    switch (role) {
    case LineRole::HEADING: return {FontFace::SANS_BOLD, 17, 0.3};
    case LineRole::SUBHEADING: return {FontFace::SANS_BOLD, 12, 0.2};
    case LineRole::TERM: return {FontFace::CONDENSED_BOLD, 12, 0};
    default: return {FontFace::CONDENSED, 12, 0};
    }
}

Rgb PageInk(LineRole role) {
    switch (role) {
    case LineRole::HEADING: return AMBER;
    case LineRole::SUBHEADING: return CYAN;
    case LineRole::TERM: return HexColour(0xFFD08A);
    default: return PALE;
    }
}

const std::vector<Rgb> PAGE_INKS = {AMBER, CYAN, HexColour(0xFFD08A), PALE, HexColour(0x7C8AA6)};

bool DrawPage(const PictureSources& sources, int32_t textPage, FontLibrary& fonts, Canvas& canvas,
              std::string& error) {
    auto blocks = ParsePage(sources.pages[textPage]);
    // Lines stand at one pitch on screen: the panel shows its 512 texel rows on
    // 516 screen rows, so a texel row here and there is seen twice, and an even
    // pitch reads better than lines nudged off those rows.
    PageMetrics metrics = {TEXT_WIDTH, TEXT_LAST_BASELINE - TEXT_TOP};
    PageLayout layout = LayoutPage(
        blocks, [&](LineRole role, std::string_view s) { return MeasureText(fonts, PageStyle(role), s); }, metrics);
    if (!layout.error.empty()) {
        error = sources.pageNames[textPage] + ": " + layout.error;
        return false;
    }
    for (const PageLine& line : layout.lines) {
        double x = TEXT_LEFT + line.x, baseline = TEXT_TOP + line.baseline;
        Rgb ink = PageInk(line.role);
        DrawTextShaded(canvas, fonts, PageStyle(line.role), line.text, x, baseline, Align::LEFT,
                       [ink](double, double) { return ink; }, line.role == LineRole::HEADING ? 2 : 0, 0.45);
        if (line.bulletMark) {
            double cx = x - 7, cy = baseline - 4;
            Shade(canvas, {cx - 4, cy - 4, cx + 4, cy + 4}, Blend::OVER, [&](double px, double py, double texel) {
                return Paint{CYAN, Coverage(std::abs(px - cx) + std::abs(py - cy) - 2.6, texel)};
            });
        }
    }
    // Footer: the party and where this page stands in its entry.
    int32_t entry = 0, page = 0;
    for (int32_t e = 0; e < 4; ++e)
        if (textPage >= ENTRY_FIRST_TEXT_PAGE[e] && textPage <= ENTRY_FIRST_TEXT_PAGE[e] + ENTRY_LAST_PAGE[e]) {
            entry = e;
            page = textPage - ENTRY_FIRST_TEXT_PAGE[e];
        }
    const TextStyle footer = {FontFace::CONDENSED_BOLD, 10, 0.8};
    Rgb footInk = HexColour(0x7C8AA6);
    DrawText(canvas, fonts, footer, Text(sources.texts, "party.footer"), TEXT_LEFT, FOOTER_BASELINE, Align::LEFT,
             footInk);
    DrawText(canvas, fonts, footer,
             std::to_string(page + 1) + " / " + std::to_string(ENTRY_LAST_PAGE[entry] + 1), TEXT_LEFT + TEXT_WIDTH,
             FOOTER_BASELINE, Align::RIGHT, footInk);
    return true;
}

// ---- entries --------------------------------------------------------------

void DrawEntryPicture(const ShowTexts& texts, FontLibrary& fonts, int32_t open, Canvas& canvas) {
    for (int32_t e = 0; e < 4; ++e)
        DrawSlot(canvas, fonts, ENTRIES[e].position,
                 Text(texts, "menu." + std::to_string(ENTRIES[e].position)), e == open, 0);
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

// ---- pointer --------------------------------------------------------------

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

// ---- intro logo -----------------------------------------------------------

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

// ---- outro ----------------------------------------------------------------

// The credits move against each other: through a stage the word slides 320
// pixels to the right while its name rises 240, so seen from the word the name
// travels a straight line from 160 right and 120 below its rest to 160 left and
// 120 above. The name keeps to the left of its plate and the word to the upper
// right of its banner, clear of that path, so a name never covers its word.
constexpr double CREDIT_WORD_SLIDE = 320;
constexpr double CREDIT_NAME_RISE = 240;
const TextStyle CREDIT_NAME_STYLE = {FontFace::SANS_BOLD, 24, 1.5};
constexpr double CREDIT_NAME_LEFT = 228;   // the plate shows x 224 to 416
constexpr double CREDIT_NAME_BASELINE = 246;
constexpr double CREDIT_NAME_TOP = CREDIT_NAME_BASELINE - 21;   // the name's ink with its glow
constexpr double CREDIT_WORD_TOP = 128;
constexpr double CREDIT_WORD_RIGHT = 560;   // at rest; on screen while the word is bright
constexpr double CREDIT_MARGIN = 12;        // between the word's ink, glow included, and the name's path

double CreditNameRight(const std::string& name, FontLibrary& fonts) {
    return CREDIT_NAME_LEFT + MeasureText(fonts, CREDIT_NAME_STYLE, name) + 3;
}

// The leftmost point of row y (at rest) that the name's ink never reaches.
double ClearOfName(double y, double nameRight) {
    double rise = std::clamp((y - CREDIT_NAME_TOP) / CREDIT_NAME_RISE, -0.5, 0.5);
    return nameRight + CREDIT_WORD_SLIDE * rise + CREDIT_MARGIN;
}

Canvas DrawCreditBanner(const std::string& word, const std::string& name, FontLibrary& fonts, int32_t index) {
    Canvas canvas = PanelCanvas(50 + index, 512, 256);
    double nameRight = CreditNameRight(name, fonts);
    // As large as fits between the name's path and the right edge, 64 pixels at most.
    TextStyle style = {FontFace::SANS_BOLD, 64, 8};
    double baseline = 0, left = 0;
    for (int attempt = 0; attempt < 40; ++attempt, style.size *= 0.96) {
        baseline = CREDIT_WORD_TOP + style.size * 0.73;
        left = ClearOfName(baseline + 4, nameRight);
        if (left + MeasureText(fonts, style, word) <= CREDIT_WORD_RIGHT) break;
    }
    // Neon tubes: a faint body inside a bright rim, over a soft glow.
    const Rgb inks[3] = {AMBER, CYAN, MAGENTA};
    Rgb ink = inks[index % 3];
    TextMask text = RenderText(fonts, style, word, canvas.scaleX, canvas.scaleY);
    auto x = static_cast<int32_t>(std::lround((left - canvas.originX) * canvas.scaleX)) - text.originX;
    auto top = static_cast<int32_t>(std::lround((baseline - canvas.originY) * canvas.scaleY)) - text.baseline;
    auto colour = [ink](int32_t, int32_t) { return ink; };
    BlitMask(canvas, BlurMask(text.mask, 3), x - 6, top - 6, Blend::ADD, colour, 0.35);
    BlitMask(canvas, text.mask, x, top, Blend::OVER, [ink](int32_t, int32_t) { return Scale(ink, 0.22); });
    BlitMask(canvas, OutlineMask(text.mask, 2), x - 2, top - 2, Blend::OVER, colour);
    // An underline that stops short of the name's path.
    double underline = baseline + 9;
    FadingLine(canvas, ClearOfName(underline + 2, nameRight), 640, underline, 1.5, ink, ink, 0.8);
    return canvas;
}

Canvas DrawCreditName(const std::string& name, FontLibrary& fonts, int32_t index) {
    Canvas canvas = PanelCanvas(53 + index, 256, 32);
    DrawTextShaded(canvas, fonts, CREDIT_NAME_STYLE, name, CREDIT_NAME_LEFT, CREDIT_NAME_BASELINE, Align::LEFT,
                   [](double, double) { return HexColour(0xFFFFFF); }, 2, 0.5);
    FadingLine(canvas, CREDIT_NAME_LEFT - 4, CreditNameRight(name, fonts) + 4, CREDIT_NAME_BASELINE + 7, 1.2,
               AMBER, AMBER, 0.9);
    return canvas;
}

Canvas DrawBlink(const ShowTexts& texts, FontLibrary& fonts, bool lit) {
    Canvas canvas = PanelCanvas(lit ? 60 : 61, 256, 256);
    Rgb ink = lit ? AMBER : Scale(AMBER, 0.55);
    DrawTextShaded(canvas, fonts, {FontFace::SANS_BOLD, 26, 1.5}, Text(texts, "outro.blink"), 160, 428,
                   Align::CENTRE, [ink](double, double) { return ink; }, lit ? 3 : 0, 0.6);
    DrawText(canvas, fonts, {FontFace::CONDENSED_BOLD, 13, 0.6}, Text(texts, "party.web"), 160, 454, Align::CENTRE,
             lit ? CYAN : Scale(AMBER, 0.4));
    // Stars that swap places between the two frames: the twinkle of the blink.
    Lcg random{lit ? 5u : 6u};
    for (int i = 0; i < 14; ++i) {
        double x = 20 + random.Next() * 280, y = 394 + random.Next() * 80;
        if (y > 406 && y < 462 && x > 30 && x < 290) continue;
        Glow(canvas, x, y, 1.0 + random.Next() * 0.8, lit ? PALE : Scale(AMBER, 0.7), 0.9);
    }
    return canvas;
}

}  // namespace

double PointerRow(int32_t position) {
    const PanelPlacement& pointer = Placement(POINTER_PANEL);
    double middle = (pointer.yStart + pointer.yEnd) / 2.0 + POINTER_Y[position];
    return (1.0 - middle) * SCREEN_HEIGHT / 2.0;
}

ShowTexts ParseShowTexts(std::string_view text, std::string& error) {
    ShowTexts texts;
    int lineNumber = 0;
    while (!text.empty()) {
        std::string_view line = Trim(TakeLine(text, lineNumber));
        if (line.empty() || line.front() == '#') continue;
        size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            if (error.empty()) error = "line " + std::to_string(lineNumber) + ": expected key = value";
            continue;
        }
        texts[std::string(Trim(line.substr(0, equals)))] = std::string(Trim(line.substr(equals + 1)));
    }
    return texts;
}

std::vector<std::string> RequiredShowKeys() {
    return {"party.name",    "party.year",    "party.web",     "party.footer", "intro.top",
            "intro.bottom",  "menu.0",        "menu.1",        "menu.2",       "menu.3",
            "menu.4",        "menu.5",        "title.0",       "title.1",      "title.2",
            "title.3",       "credit.0.role", "credit.0.name", "credit.1.role", "credit.1.name",
            "credit.2.role", "credit.2.name", "outro.blink"};
}

std::string PageSourceName(int32_t textPage) {
    for (int32_t e = 0; e < 4; ++e) {
        int32_t page = textPage - ENTRY_FIRST_TEXT_PAGE[e];
        if (page >= 0 && page <= ENTRY_LAST_PAGE[e])
            return std::string(ENTRIES[e].key) + "-" + std::to_string(page + 1) + ".txt";
    }
    return "?";
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

bool DrawPictures(const PictureSources& sources, FontLibrary& fonts, std::vector<GeneratedPicture>& pictures,
                  std::string& error) {
    for (const std::string& key : RequiredShowKeys())
        if (sources.texts.find(key) == sources.texts.end()) {
            error = "show.txt: the key " + key + " is missing";
            return false;
        }
    if (sources.pages.size() != TEXT_PAGE_COUNT) {
        error = "expected " + std::to_string(TEXT_PAGE_COUNT) + " text pages";
        return false;
    }
    pictures.clear();
    for (const ScenePicture& scene : SCENE_PICTURES) {
        int32_t n = scene.number;
        GeneratedPicture out{n, SceneFileName(scene.path), BmpKind::RGB24, {}};
        Canvas canvas;
        if (n == 0 || n == 1) {
            canvas = PanelCanvas(n, 512, 512);
            PaintBackdrop(canvas);
        } else if (n >= 2 && n <= 18) {
            canvas = PanelCanvas(n, 512, 512);
            if (!DrawPage(sources, n - 2, fonts, canvas, error)) return false;
            // The eight FAQ pages go out as 8-bit pictures.
            if (n <= 9) out.kind = BmpKind::PALETTE8_FULL;
        } else if (n >= 20 && n <= 22) {
            canvas = PanelCanvas(n, 512, 512);
            DrawSlot(canvas, fonts, PREVIOUS_PAGE_POSITION, Text(sources.texts, "menu.2"), n == 21, -1);
            DrawSlot(canvas, fonts, NEXT_PAGE_POSITION, Text(sources.texts, "menu.3"), n == 22, 1);
        } else if (n >= 30 && n <= 33) {
            canvas = PanelCanvas(n, 512, 512);
            DrawEntryPicture(sources.texts, fonts, n - 30, canvas);
        } else if (n == 35) {
            canvas = DrawPointer();
        } else if (n == 36) {
            canvas = DrawPointerMask();
            out.kind = BmpKind::CORE8;
        } else if (n == 40) {
            canvas = DrawClock();
        } else if (n == 41 || n == 43) {
            canvas = DrawBar(sources.texts, fonts, n == 43);
            out.kind = n == 41 ? BmpKind::RLE8 : BmpKind::PALETTE8;
        } else if (n == 42) {
            canvas = DrawPartyName(sources.texts, fonts);
        } else if (n == 44) {
            canvas = DrawPartyYear(sources.texts, fonts);
        } else if (n >= 50 && n <= 52) {
            std::string credit = "credit." + std::to_string(n - 50);
            canvas = DrawCreditBanner(Text(sources.texts, credit + ".role"), Text(sources.texts, credit + ".name"),
                                      fonts, n - 50);
        } else if (n >= 53 && n <= 55) {
            canvas = DrawCreditName(Text(sources.texts, "credit." + std::to_string(n - 53) + ".name"), fonts,
                                    n - 53);
            out.kind = BmpKind::PALETTE8;
        } else if (n == 60 || n == 61) {
            canvas = DrawBlink(sources.texts, fonts, n == 60);
            if (n == 61) out.kind = BmpKind::PALETTE4;
        }
        out.picture = ToPicture(canvas, n == 0 || n == 1);
        switch (out.kind) {
        case BmpKind::PALETTE8_FULL: QuantiseToInks(out.picture, PAGE_INKS, 51); break;
        case BmpKind::RLE8:
        case BmpKind::PALETTE8:
            if (n >= 53)
                QuantiseToInks(out.picture, {HexColour(0xFFFFFF), AMBER}, 120);
            else
                QuantiseToInks(out.picture, {CYAN, MAGENTA, PALE, HexColour(0xC8F0FF), HexColour(0x9D92D1)}, 51);
            break;
        case BmpKind::PALETTE4: QuantiseToInks(out.picture, {AMBER}, 15); break;
        default: break;
        }
        pictures.push_back(std::move(out));
    }
    return true;
}
