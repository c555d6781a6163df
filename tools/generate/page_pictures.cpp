// The text pages of the menu's entries, laid out from their markup.
#include "tools/generate/artwork.h"

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
    FindTextPage(textPage, entry, page);
    const TextStyle footer = {FontFace::CONDENSED_BOLD, 10, 0.8};
    Rgb footInk = HexColour(0x7C8AA6);
    DrawText(canvas, fonts, footer, Text(sources.texts, "party.footer"), TEXT_LEFT, FOOTER_BASELINE, Align::LEFT,
             footInk);
    DrawText(canvas, fonts, footer,
             std::to_string(page + 1) + " / " + std::to_string(MENU_ENTRIES[entry].lastPage + 1), TEXT_LEFT + TEXT_WIDTH,
             FOOTER_BASELINE, Align::RIGHT, footInk);
    return true;
}

}  // namespace

bool DrawPagePicture(const PictureSources& sources, FontLibrary& fonts, GeneratedPicture& out, std::string& error) {
    Canvas canvas = PanelCanvas(out.number, 512, 512, out.scale);
    const int32_t textPage = SceneRoleIndex(out.number);
    if (!DrawPage(sources, textPage, fonts, canvas, error)) return false;
    out.picture = ToPicture(canvas, false);
    // The FAQ's eight pages go out as 8-bit pictures.
    int32_t entry = 0, page = 0;
    FindTextPage(textPage, entry, page);
    if (std::string_view(MENU_ENTRIES[entry].pageFiles) == "faq") {
        out.kind = BmpKind::PALETTE8_FULL;
        QuantiseToInks(out.picture, PAGE_INKS, 51);
    }
    return true;
}
