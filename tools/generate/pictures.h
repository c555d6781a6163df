// The pictures of the show, drawn from the texts of assets/.
#pragma once

#include "tools/generate/bmp_write.h"
#include "tools/generate/show_texts.h"
#include "tools/generate/text.h"

#include <functional>
#include <string>
#include <vector>

struct PictureSources {
    ShowTexts texts;
    std::vector<std::string> pages;       // the text pages in the order of their pictures, UTF-8 markup
    std::vector<std::string> pageNames;   // where each came from, for messages
};

struct GeneratedPicture {
    int32_t number;         // texture number
    std::string fileName;   // "scr1.bmp"
    int32_t scale;          // drawn for a screen of scale x 640 by scale x 480
    BmpKind kind;
    RgbPicture picture;     // the pixels the program is meant to see
};

// The source file of a text page (entry key and page), e.g. "party-2.txt".
std::string PageSourceName(int32_t textPage);

// Every picture of SCENE_PICTURES, in table order, at picture scale 1 to
// MAX_PICTURE_SCALE: the same pictures with `scale` times the texels each way.
// False with the reason in `error` when a text does not fit its picture or a key is missing.
// `drawn`, when given, hears of each picture as it is done.
bool DrawPictures(const PictureSources& sources, FontLibrary& fonts, int32_t scale,
                  std::vector<GeneratedPicture>& pictures, std::string& error,
                  const std::function<void(const GeneratedPicture& picture)>& drawn = nullptr);
