// The 41 pictures of the show, drawn from the texts of assets/.
#pragma once

#include "tools/generate/bmp_write.h"
#include "tools/generate/show_texts.h"
#include "tools/generate/text.h"

#include <string>
#include <vector>

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

// The source file of a text page (entry key and page), e.g. "party-2.txt".
std::string PageSourceName(int32_t textPage);

// All 41, in the order of the texture table. False with the reason in `error`
// when a text does not fit its picture or a key is missing.
bool DrawPictures(const PictureSources& sources, FontLibrary& fonts, std::vector<GeneratedPicture>& pictures,
                  std::string& error);
