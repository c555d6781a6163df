// Text through FreeType: glyph masks, measuring and drawing lines.
#include "tools/generate/text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cmath>

struct FontLibrary {
    FT_Library library = nullptr;
    std::array<FT_Face, 6> faces{};
};

void FontLibraryDeleter::operator()(FontLibrary* fonts) const {
    if (!fonts) return;
    for (FT_Face face : fonts->faces)
        if (face) FT_Done_Face(face);
    if (fonts->library) FT_Done_FreeType(fonts->library);
    delete fonts;
}

namespace {

struct FontFile {
    const char* name;
    const char* package;   // the Debian package that holds it, for the message when it is missing
};

constexpr std::array<FontFile, 6> FONT_FILES = {{
    {"DejaVuSans.ttf", "fonts-dejavu-core"},
    {"DejaVuSans-Bold.ttf", "fonts-dejavu-core"},
    {"DejaVuSansCondensed.ttf", "fonts-dejavu-extra"},
    {"DejaVuSansCondensed-Bold.ttf", "fonts-dejavu-extra"},
    {"DejaVuSansMono-Bold.ttf", "fonts-dejavu-core"},
    {"DejaVuSerif-Bold.ttf", "fonts-dejavu-core"},
}};

struct PlacedGlyph {
    int32_t left, top;   // texels from the pen start and the baseline (top upwards)
    int32_t width, rows;
    std::vector<uint8_t> coverage;
};

}  // namespace

FontLibraryHandle OpenFonts(const std::string& directory, std::string& error) {
    FontLibraryHandle fonts(new FontLibrary);
    if (FT_Init_FreeType(&fonts->library) != 0) {
        error = "FreeType cannot start";
        return nullptr;
    }
    for (size_t i = 0; i < FONT_FILES.size(); ++i) {
        std::string path = directory + "/" + FONT_FILES[i].name;
        if (FT_New_Face(fonts->library, path.c_str(), 0, &fonts->faces[i]) != 0) {
            fonts->faces[i] = nullptr;
            error = "cannot read the font " + path + " (Debian package " + FONT_FILES[i].package + ")";
            return nullptr;
        }
    }
    return fonts;
}

std::u32string DecodeUtf8(std::string_view utf8) {
    std::u32string out;
    for (size_t i = 0; i < utf8.size();) {
        auto byte = static_cast<unsigned char>(utf8[i]);
        int extra = byte < 0x80 ? 0 : (byte >> 5) == 6 ? 1 : (byte >> 4) == 14 ? 2 : (byte >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + extra >= utf8.size() + (extra == 0 ? 1 : 0)) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        char32_t code = extra == 0 ? byte : byte & (0x3F >> extra);
        bool good = true;
        for (int k = 1; k <= extra; ++k) {
            auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) good = false;
            code = (code << 6) | (next & 0x3F);
        }
        if (!good) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        out.push_back(code);
        i += extra + 1;
    }
    return out;
}

namespace {

// Where each glyph's pen stands (26.6 texels) with the face set to `scaleX` x
// `scaleY` texels per screen pixel, and where the pen ends; no glyph for a code
// the face cannot load.
struct PenPositions {
    std::vector<FT_UInt> indices;
    std::vector<long> pens;
    long end = 0;
};

PenPositions SetPens(FT_Face face, const TextStyle& style, std::string_view utf8, double scaleX, double scaleY) {
    FT_Set_Char_Size(face, std::lround(style.size * scaleX * 64), std::lround(style.size * scaleY * 64), 72, 72);
    PenPositions out;
    long pen = 0;
    FT_UInt previous = 0;
    long tracking = std::lround(style.tracking * scaleX * 64);
    for (char32_t code : DecodeUtf8(utf8)) {
        FT_UInt index = FT_Get_Char_Index(face, code);
        if (previous && index && FT_HAS_KERNING(face)) {
            FT_Vector kern;
            if (FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kern) == 0) pen += kern.x;
        }
        if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0) continue;
        out.indices.push_back(index);
        out.pens.push_back(pen);
        pen += face->glyph->advance.x + tracking;
        previous = index;
    }
    out.end = pen - tracking;
    return out;
}

}  // namespace

TextMask RenderText(FontLibrary& fonts, const TextStyle& style, std::string_view utf8, const Canvas& canvas) {
    FT_Face face = fonts.faces[static_cast<size_t>(style.face)];
    const double scaleX = canvas.scaleX, scaleY = canvas.scaleY;
    const int32_t pictureScale = canvas.pictureScale;
    // The pens stand where they stand in the picture at scale 1, so that hinted
    // advances, rounded at each size, do not move the words at a larger scale.
    PenPositions pens = SetPens(face, style, utf8, scaleX / pictureScale, scaleY / pictureScale);
    FT_Set_Char_Size(face, std::lround(style.size * scaleX * 64), std::lround(style.size * scaleY * 64), 72, 72);
    std::vector<PlacedGlyph> glyphs;
    for (size_t i = 0; i < pens.indices.size(); ++i) {
        if (FT_Load_Glyph(face, pens.indices[i], FT_LOAD_DEFAULT) != 0) continue;
        if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) continue;
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        PlacedGlyph glyph;
        glyph.left = static_cast<int32_t>((pens.pens[i] * pictureScale + 32) >> 6) + face->glyph->bitmap_left;
        glyph.top = face->glyph->bitmap_top;
        glyph.width = static_cast<int32_t>(bitmap.width);
        glyph.rows = static_cast<int32_t>(bitmap.rows);
        glyph.coverage.resize(static_cast<size_t>(glyph.width) * glyph.rows);
        for (int32_t r = 0; r < glyph.rows; ++r)
            std::copy_n(bitmap.buffer + static_cast<ptrdiff_t>(r) * bitmap.pitch, glyph.width,
                        glyph.coverage.begin() + static_cast<ptrdiff_t>(r) * glyph.width);
        glyphs.push_back(std::move(glyph));
    }
    TextMask text;
    text.advance = static_cast<double>(pens.end * pictureScale) / 64.0;
    int32_t left = 0, right = 1, top = 1, bottom = 0;
    for (const PlacedGlyph& g : glyphs) {
        if (g.width == 0 || g.rows == 0) continue;
        left = std::min(left, g.left);
        right = std::max(right, g.left + g.width);
        top = std::max(top, g.top);
        bottom = std::min(bottom, g.top - g.rows);
    }
    text.mask.width = right - left;
    text.mask.height = top - bottom;
    text.mask.coverage.assign(static_cast<size_t>(text.mask.width) * text.mask.height, 0);
    text.baseline = top;
    text.originX = -left;
    for (const PlacedGlyph& g : glyphs)
        for (int32_t r = 0; r < g.rows; ++r)
            for (int32_t c = 0; c < g.width; ++c) {
                uint8_t& cell = text.mask.coverage[static_cast<size_t>(top - g.top + r) * text.mask.width +
                                                   (g.left - left + c)];
                cell = std::max(cell, g.coverage[static_cast<size_t>(r) * g.width + c]);
            }
    return text;
}

double MeasureText(FontLibrary& fonts, const TextStyle& style, std::string_view utf8) {
    FT_Face face = fonts.faces[static_cast<size_t>(style.face)];
    return static_cast<double>(SetPens(face, style, utf8, 1, 1).end) / 64.0;
}

void DrawTextShaded(Canvas& canvas, FontLibrary& fonts, const TextStyle& style, std::string_view utf8, double x,
                    double baseline, Align align, const std::function<Rgb(double, double)>& colourAt,
                    int32_t glowRadius, double glowStrength, Blend blend) {
    TextMask text = RenderText(fonts, style, utf8, canvas);
    double penX = (x - canvas.originX) * canvas.scaleX;
    if (align == Align::CENTRE) penX -= text.advance / 2;
    if (align == Align::RIGHT) penX -= text.advance;
    auto left = static_cast<int32_t>(std::lround(penX)) - text.originX;
    auto top = static_cast<int32_t>(std::lround((baseline - canvas.originY) * canvas.scaleY)) - text.baseline;
    auto colour = [&](int32_t column, int32_t row) {
        return colourAt(canvas.originX + (column + 0.5) / canvas.scaleX,
                        canvas.originY + (row + 0.5) / canvas.scaleY);
    };
    if (glowRadius > 0) BlitGlow(canvas, text.mask, left, top, glowRadius, colour, glowStrength);
    BlitMask(canvas, text.mask, left, top, blend, colour);
}

void DrawText(Canvas& canvas, FontLibrary& fonts, const TextStyle& style, std::string_view utf8, double x,
              double baseline, Align align, Rgb colour, Blend blend) {
    DrawTextShaded(canvas, fonts, style, utf8, x, baseline, align, [colour](double, double) { return colour; }, 0,
                   0, blend);
}
