// The outro's pictures: the credit banners, the names and the blinking picture.
#include "tools/generate/artwork.h"

#include <algorithm>
#include <cmath>

namespace {

// The credits move against each other: through a stage the word slides one unit
// of the screen (half its width) to the right while its name rises one (half its
// height), so seen from the word the name travels a straight line from a quarter
// of the screen right and below its rest to a quarter left and above. The name
// keeps to the left of its plate and the word to the upper right of its banner,
// clear of that path, so a name never covers its word.
constexpr double CREDIT_WORD_SLIDE = SCREEN_WIDTH / 2;
constexpr double CREDIT_NAME_RISE = SCREEN_HEIGHT / 2;
constexpr ScreenRect CREDIT_WORD_PANEL = PanelOnScreen(SceneRole::CREDIT_WORD);
constexpr ScreenRect CREDIT_NAME_PANEL = PanelOnScreen(SceneRole::CREDIT_NAME);
const TextStyle CREDIT_NAME_STYLE = {FontFace::SANS_BOLD, 24, 1.5};
constexpr double CREDIT_NAME_LEFT = CREDIT_NAME_PANEL.left + 4;
constexpr double CREDIT_NAME_BASELINE = CREDIT_NAME_PANEL.bottom - 13;
constexpr double CREDIT_NAME_TOP = CREDIT_NAME_BASELINE - 21;   // the name's ink with its glow
constexpr double CREDIT_WORD_TOP = CREDIT_WORD_PANEL.top + 8;
constexpr double CREDIT_WORD_RIGHT = CREDIT_WORD_PANEL.right - 80;   // at rest; on screen while the word is bright
constexpr double CREDIT_MARGIN = 12;        // between the word's ink, glow included, and the name's path

// The blinking picture: its words centred on its panel, near the panel's foot.
constexpr ScreenRect BLINK_PANEL = PanelOnScreen(SceneRole::BLINK);
constexpr double BLINK_MIDDLE = (BLINK_PANEL.left + BLINK_PANEL.right) / 2;

double CreditNameRight(const std::string& name, FontLibrary& fonts) {
    return CREDIT_NAME_LEFT + MeasureText(fonts, CREDIT_NAME_STYLE, name) + 3;
}

// The leftmost point of row y (at rest) that the name's ink never reaches.
double ClearOfName(double y, double nameRight) {
    double rise = std::clamp((y - CREDIT_NAME_TOP) / CREDIT_NAME_RISE, -0.5, 0.5);
    return nameRight + CREDIT_WORD_SLIDE * rise + CREDIT_MARGIN;
}

Canvas DrawCreditBanner(const std::string& word, const std::string& name, FontLibrary& fonts, int32_t number,
                        int32_t scale) {
    Canvas canvas = PanelCanvas(number, 512, 256, scale);
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
    Rgb ink = inks[SceneRoleIndex(number) % 3];
    TextMask text = RenderText(fonts, style, word, canvas);
    auto x = static_cast<int32_t>(std::lround((left - canvas.originX) * canvas.scaleX)) - text.originX;
    auto top = static_cast<int32_t>(std::lround((baseline - canvas.originY) * canvas.scaleY)) - text.baseline;
    auto colour = [ink](int32_t, int32_t) { return ink; };
    BlitGlow(canvas, text.mask, x, top, 3, colour, 0.35);
    BlitMask(canvas, text.mask, x, top, Blend::OVER, [ink](int32_t, int32_t) { return Scale(ink, 0.22); });
    int32_t rim = MaskTexels(canvas, 2);
    BlitMask(canvas, OutlineMask(text.mask, rim), x - rim, top - rim, Blend::OVER, colour);
    // An underline that stops short of the name's path.
    double underline = baseline + 9;
    FadingLine(canvas, ClearOfName(underline + 2, nameRight), CREDIT_WORD_PANEL.right, underline, 1.5, ink, ink,
               0.8);
    return canvas;
}

Canvas DrawCreditName(const std::string& name, FontLibrary& fonts, int32_t number, int32_t scale) {
    Canvas canvas = PanelCanvas(number, 256, 32, scale);
    DrawTextShaded(canvas, fonts, CREDIT_NAME_STYLE, name, CREDIT_NAME_LEFT, CREDIT_NAME_BASELINE, Align::LEFT,
                   [](double, double) { return HexColour(0xFFFFFF); }, 2, 0.5);
    FadingLine(canvas, CREDIT_NAME_LEFT - 4, CreditNameRight(name, fonts) + 4, CREDIT_NAME_BASELINE + 7, 1.2,
               AMBER, AMBER, 0.9);
    return canvas;
}

Canvas DrawBlink(const ShowTexts& texts, FontLibrary& fonts, bool lit, int32_t number, int32_t scale) {
    Canvas canvas = PanelCanvas(number, 256, 256, scale);
    Rgb ink = lit ? AMBER : Scale(AMBER, 0.55);
    DrawTextShaded(canvas, fonts, {FontFace::SANS_BOLD, 26, 1.5}, Text(texts, "outro.blink"), BLINK_MIDDLE,
                   BLINK_PANEL.bottom - 52, Align::CENTRE, [ink](double, double) { return ink; }, lit ? 3 : 0, 0.6);
    DrawText(canvas, fonts, {FontFace::CONDENSED_BOLD, 13, 0.6}, Text(texts, "party.web"), BLINK_MIDDLE,
             BLINK_PANEL.bottom - 26, Align::CENTRE, lit ? CYAN : Scale(AMBER, 0.4));
    // Stars that swap places between the two frames: the twinkle of the blink.
    Lcg random{lit ? 5u : 6u};
    for (int i = 0; i < 14; ++i) {
        double x = BLINK_PANEL.left + 20 + random.Next() * (BLINK_PANEL.right - BLINK_PANEL.left - 40),
               y = BLINK_PANEL.bottom - 86 + random.Next() * 80;
        // None on the words.
        if (y > BLINK_PANEL.bottom - 74 && y < BLINK_PANEL.bottom - 18 && x > BLINK_PANEL.left + 30 &&
            x < BLINK_PANEL.right - 30)
            continue;
        Glow(canvas, x, y, 1.0 + random.Next() * 0.8, lit ? PALE : Scale(AMBER, 0.7), 0.9);
    }
    return canvas;
}

}  // namespace

bool DrawCreditsPicture(const PictureSources& sources, FontLibrary& fonts, GeneratedPicture& out, std::string&) {
    const int32_t n = out.number;
    const SceneRole role = FindScenePicture(n)->role;
    // A credit's stage, or the blink's lit (0) and dim (1) picture.
    const int32_t index = SceneRoleIndex(n);
    const std::string credit = "credit." + std::to_string(index);
    Canvas canvas;
    if (role == SceneRole::CREDIT_WORD) {
        canvas = DrawCreditBanner(Text(sources.texts, credit + ".role"), Text(sources.texts, credit + ".name"), fonts,
                                  n, out.scale);
    } else if (role == SceneRole::CREDIT_NAME) {
        canvas = DrawCreditName(Text(sources.texts, credit + ".name"), fonts, n, out.scale);
        out.kind = BmpKind::PALETTE8;
    } else {
        canvas = DrawBlink(sources.texts, fonts, index == 0, n, out.scale);
        if (index == 1) out.kind = BmpKind::PALETTE4;
    }
    out.picture = ToPicture(canvas, false);
    if (out.kind == BmpKind::PALETTE8) QuantiseToInks(out.picture, {HexColour(0xFFFFFF), AMBER}, 120);
    if (out.kind == BmpKind::PALETTE4) QuantiseToInks(out.picture, {AMBER}, 15);
    return true;
}
