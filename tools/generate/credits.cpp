// The outro's pictures: the credit banners, the names and the blinking picture.
#include "tools/generate/artwork.h"

#include <algorithm>
#include <cmath>

namespace {

Canvas DrawCreditBanner(const std::string& word, FontLibrary& fonts, int32_t index) {
    Canvas canvas = PanelCanvas(50 + index, 512, 256);
    TextStyle style = {FontFace::SANS_BOLD, 120, 14};
    double width = MeasureText(fonts, style, word);
    if (width > 600) style.size *= 600 / width;
    double baseline = 240 + style.size * 0.36;
    // Neon tubes: a faint body inside a bright rim, so the name passing over the
    // middle of the word stays readable.
    const Rgb inks[3] = {AMBER, CYAN, MAGENTA};
    Rgb ink = inks[index % 3];
    TextMask text = RenderText(fonts, style, word, canvas.scaleX, canvas.scaleY);
    auto left = static_cast<int32_t>(std::lround((320 - canvas.originX) * canvas.scaleX - text.advance / 2)) -
                text.originX;
    auto top = static_cast<int32_t>(std::lround((baseline - canvas.originY) * canvas.scaleY)) - text.baseline;
    auto colour = [ink](int32_t, int32_t) { return ink; };
    BlitMask(canvas, BlurMask(text.mask, 5), left - 10, top - 10, Blend::ADD, colour, 0.35);
    BlitMask(canvas, text.mask, left, top, Blend::OVER, [ink](int32_t, int32_t) { return Scale(ink, 0.16); });
    BlitMask(canvas, OutlineMask(text.mask, 2), left - 2, top - 2, Blend::OVER, colour);
    FadingLine(canvas, 0, 640, 240 - style.size * 0.55, 1.5, ink, ink, 0.8);
    FadingLine(canvas, 0, 640, 240 + style.size * 0.55, 1.5, ink, ink, 0.8);
    return canvas;
}

Canvas DrawCreditName(const std::string& name, FontLibrary& fonts, int32_t index) {
    Canvas canvas = PanelCanvas(53 + index, 256, 32);
    TextStyle style = {FontFace::SANS_BOLD, 24, 1.5};
    DrawTextShaded(canvas, fonts, style, name, 320, 248, Align::CENTRE,
                   [](double, double) { return HexColour(0xFFFFFF); }, 2, 0.5);
    FadingLine(canvas, 228, 412, 254, 1.2, AMBER, AMBER, 0.9);
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
        canvas = DrawCreditBanner(Text(sources.texts, "credit." + std::to_string(n - 50) + ".role"), fonts, n - 50);
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
