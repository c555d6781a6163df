// Antialiased text from the DejaVu fonts through FreeType.
#pragma once

#include "tools/generate/canvas.h"

#include <memory>
#include <string>
#include <string_view>

enum class FontFace { SANS, SANS_BOLD, CONDENSED, CONDENSED_BOLD, MONO_BOLD, SERIF_BOLD };

struct FontLibrary;
struct FontLibraryDeleter {
    void operator()(FontLibrary* fonts) const;
};
using FontLibraryHandle = std::unique_ptr<FontLibrary, FontLibraryDeleter>;

constexpr const char* DEJAVU_FONT_DIR = "/usr/share/fonts/truetype/dejavu";

// Null, with the reason in `error`, when FreeType or a font file is missing.
FontLibraryHandle OpenFonts(const std::string& directory, std::string& error);

struct TextStyle {
    FontFace face = FontFace::SANS;
    double size = 12;       // pixel size on screen (the em height)
    double tracking = 0;    // extra screen pixels after every character
};

// One line of text as coverage in the texels of the canvas. At picture scale N
// the glyphs are drawn N times larger but stand where they stand at scale 1.
struct TextMask {
    Mask mask;
    int32_t baseline = 0;    // mask row of the baseline
    int32_t originX = 0;     // mask column of the pen's start
    double advance = 0;      // texels from the pen's start to its end
};

TextMask RenderText(FontLibrary& fonts, const TextStyle& style, std::string_view utf8, const Canvas& canvas);
// Width of the line on screen, in screen pixels.
double MeasureText(FontLibrary& fonts, const TextStyle& style, std::string_view utf8);

enum class Align { LEFT, CENTRE, RIGHT };

// Draws one line with its pen at screen point (x, baseline), aligned there.
void DrawText(Canvas& canvas, FontLibrary& fonts, const TextStyle& style, std::string_view utf8, double x,
              double baseline, Align align, Rgb colour, Blend blend = Blend::OVER);
// The same with the colour picked per screen point (gradients), and a soft glow
// of `glowRadius` texels (at picture scale 1) below it when the radius is above 0.
void DrawTextShaded(Canvas& canvas, FontLibrary& fonts, const TextStyle& style, std::string_view utf8, double x,
                    double baseline, Align align, const std::function<Rgb(double x, double y)>& colourAt,
                    int32_t glowRadius = 0, double glowStrength = 0, Blend blend = Blend::OVER);

// Unicode code points of UTF-8 text; a malformed byte gives U+FFFD.
std::u32string DecodeUtf8(std::string_view utf8);
