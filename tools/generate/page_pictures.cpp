// The text pages of the menu's entries, laid out from their markup.
#include "tools/generate/artwork.h"

#include "show/menu.h"
#include "tools/generate/pages.h"

#include <algorithm>
#include <cmath>

namespace {

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

// Texel rows of a page that the screen shows twice: the page panel is 516 pixels
// tall for its 512 texels, so nearest sampling repeats a few rows. A repeated row
// through a line of text reads like a strike-through, so lines keep clear of them.
std::vector<bool> RepeatedRows(const Canvas& canvas, int32_t panel) {
    const PanelPlacement& p = *FindPanelPlacement(panel);
    std::vector<int32_t> shown(canvas.height, 0);
    for (int32_t row = 0; row < SCREEN_HEIGHT; ++row) {
        double t = PlacementAtPixel(p, 0, row).t;
        if (t < 0 || t >= 1) continue;
        double v = p.vStart + t * (p.vEnd - p.vStart);
        auto fromBottom = std::clamp(static_cast<int32_t>(std::floor(v * canvas.height)), 0, canvas.height - 1);
        ++shown[canvas.height - 1 - fromBottom];
    }
    std::vector<bool> repeated(canvas.height);
    for (int32_t r = 0; r < canvas.height; ++r) repeated[r] = shown[r] > 1;
    return repeated;
}

// The first baseline at or below `baseline` (screen pixels) whose lower-case
// band shows each of its rows once: a repeat in the tops of capitals or in the
// descenders goes unnoticed, one through the x-height does not.
double SettleBaseline(const Canvas& canvas, const std::vector<bool>& repeated, LineRole role, double baseline) {
    int32_t above = role == LineRole::HEADING ? 10 : 7, below = 0;
    for (int step = 0; step < 24; ++step, baseline += 1) {
        auto row = static_cast<int32_t>(std::lround((baseline - canvas.originY) * canvas.scaleY));
        bool clear = true;
        for (int32_t r = row - above; r <= row + below; ++r)
            if (r >= 0 && r < canvas.height && repeated[r]) clear = false;
        if (clear) return baseline;
    }
    return baseline;
}

bool DrawPage(const PictureSources& sources, int32_t textPage, FontLibrary& fonts, Canvas& canvas,
              std::string& error) {
    auto blocks = ParsePage(sources.pages[textPage]);
    std::vector<bool> repeated = RepeatedRows(canvas, FIRST_TEXT_PAGE_PANEL + textPage);
    PageMetrics metrics = {TEXT_WIDTH, TEXT_LAST_BASELINE - TEXT_TOP, [&](LineRole role, double baseline) {
                               return SettleBaseline(canvas, repeated, role, TEXT_TOP + baseline) - TEXT_TOP;
                           }};
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
    FindTextPage(textPage, entry, page);
    const TextStyle footer = {FontFace::CONDENSED_BOLD, 10, 0.8};
    Rgb footInk = HexColour(0x7C8AA6);
    double footerBaseline = SettleBaseline(canvas, repeated, LineRole::BODY, FOOTER_BASELINE);
    DrawText(canvas, fonts, footer, Text(sources.texts, "party.footer"), TEXT_LEFT, footerBaseline, Align::LEFT,
             footInk);
    DrawText(canvas, fonts, footer,
             std::to_string(page + 1) + " / " + std::to_string(MENU_ENTRIES[entry].lastPage + 1), TEXT_LEFT + TEXT_WIDTH,
             footerBaseline, Align::RIGHT, footInk);
    return true;
}

}  // namespace

bool DrawPagePicture(const PictureSources& sources, FontLibrary& fonts, GeneratedPicture& out, std::string& error) {
    Canvas canvas = PanelCanvas(out.number, 512, 512);
    if (!DrawPage(sources, out.number - FIRST_TEXT_PAGE_PANEL, fonts, canvas, error)) return false;
    out.picture = ToPicture(canvas, false);
    // The FAQ's eight pages go out as 8-bit pictures.
    int32_t entry = 0, page = 0;
    FindTextPage(out.number - FIRST_TEXT_PAGE_PANEL, entry, page);
    if (std::string_view(MENU_ENTRIES[entry].pageFiles) == "faq") {
        out.kind = BmpKind::PALETTE8_FULL;
        QuantiseToInks(out.picture, PAGE_INKS, 51);
    }
    return true;
}
