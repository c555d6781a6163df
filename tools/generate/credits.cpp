// The outro's pictures: the credit banners, the names and the blinking picture.
#include "tools/generate/artwork.h"

#include <algorithm>
#include <cmath>

namespace {

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

bool DrawCreditsPicture(const PictureSources& sources, FontLibrary& fonts, GeneratedPicture& out, std::string&) {
    int32_t n = out.number;
    Canvas canvas;
    if (n >= 50 && n <= 52) {
        std::string credit = "credit." + std::to_string(n - 50);
        canvas = DrawCreditBanner(Text(sources.texts, credit + ".role"), Text(sources.texts, credit + ".name"), fonts,
                                  n - 50);
    } else if (n >= 53 && n <= 55) {
        canvas = DrawCreditName(Text(sources.texts, "credit." + std::to_string(n - 53) + ".name"), fonts, n - 53);
        out.kind = BmpKind::PALETTE8;
    } else {
        canvas = DrawBlink(sources.texts, fonts, n == 60);
        if (n == 61) out.kind = BmpKind::PALETTE4;
    }
    out.picture = ToPicture(canvas, false);
    if (out.kind == BmpKind::PALETTE8) QuantiseToInks(out.picture, {HexColour(0xFFFFFF), AMBER}, 120);
    if (out.kind == BmpKind::PALETTE4) QuantiseToInks(out.picture, {AMBER}, 15);
    return true;
}
