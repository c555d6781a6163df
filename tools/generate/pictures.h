// The 41 pictures of the show, drawn from the texts of assets/.
#pragma once

#include "tools/generate/bmp_write.h"
#include "tools/generate/text.h"

#include <map>
#include <string>
#include <vector>

// The short texts of assets/show.txt, by key.
using ShowTexts = std::map<std::string, std::string>;

// "key = value" lines; '#' starts a comment line. Later keys replace earlier ones.
ShowTexts ParseShowTexts(std::string_view text, std::string& error);

constexpr int32_t TEXT_PAGE_COUNT = 17;

struct PictureSources {
    ShowTexts texts;
    std::vector<std::string> pages;       // text page 0 to 16 (panels 2 to 18), UTF-8 markup
    std::vector<std::string> pageNames;   // where each came from, for messages
};

struct GeneratedPicture {
    int32_t number;         // texture number
    std::string fileName;   // "scr1.bmp"
    BmpKind kind;
    RgbPicture picture;     // the pixels the program is meant to see
};

// The keys of show.txt every build needs.
std::vector<std::string> RequiredShowKeys();

// The source file of a text page (entry key and page), e.g. "party-2.txt".
std::string PageSourceName(int32_t textPage);

// All 41, in the order of the texture table. False with the reason in `error`
// when a text does not fit its picture or a key is missing.
bool DrawPictures(const PictureSources& sources, FontLibrary& fonts, std::vector<GeneratedPicture>& pictures,
                  std::string& error);

// Maps every pixel to the nearest of black and `levels` shades of each ink.
void QuantiseToInks(RgbPicture& picture, const std::vector<Rgb>& inks, int32_t levels);

// Screen row of the middle of the pointer at a menu position.
double PointerRow(int32_t position);
