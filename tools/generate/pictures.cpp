// The 41 pictures of the show: which family draws each, and the checks of the sources.
#include "tools/generate/pictures.h"

#include "image/scene_files.h"
#include "panel/draw.h"
#include "show/intro.h"
#include "show/menu.h"
#include "show/outro.h"
#include "tools/generate/artwork.h"

namespace {

// Panel numbers to the family that draws their pictures.
struct PictureFamily {
    int32_t first, last;
    PictureDrawer draw;
};
constexpr PictureFamily PICTURE_FAMILIES[] = {
    {BACKDROP_LEFT_PANEL, BACKDROP_RIGHT_PANEL, DrawBackdropPicture},
    {FIRST_TEXT_PAGE_PANEL, FIRST_TEXT_PAGE_PANEL + TEXT_PAGE_COUNT - 1, DrawPagePicture},
    {BUTTON_PANEL, BUTTON_PANEL + NEXT_BUTTON, DrawButtonPicture},
    {MENU_ENTRIES.front().picturePanel, MENU_ENTRIES.back().picturePanel, DrawEntryPicture},
    {SPRITE_TEXTURE, SPRITE_MASK_TEXTURE, DrawPointerPicture},
    {INTRO_LOGO_STEPS.front().panel, INTRO_LOGO_STEPS.back().panel, DrawLogoPicture},
    {CREDIT_WIDE_PANEL, BLINK_PANEL + 1, DrawCreditsPicture},
};

}  // namespace

std::string PageSourceName(int32_t textPage) {
    int32_t entry = 0, page = 0;
    if (!FindTextPage(textPage, entry, page)) return "?";
    return std::string(MENU_ENTRIES[entry].pageFiles) + "-" + std::to_string(page + 1) + ".txt";
}

bool DrawPictures(const PictureSources& sources, FontLibrary& fonts, std::vector<GeneratedPicture>& pictures,
                  std::string& error) {
    for (const std::string& key : RequiredShowKeys())
        if (sources.texts.find(key) == sources.texts.end()) {
            error = "show.txt: the key " + key + " is missing";
            return false;
        }
    if (sources.pages.size() != TEXT_PAGE_COUNT) {
        error = "expected " + std::to_string(TEXT_PAGE_COUNT) + " text pages";
        return false;
    }
    pictures.clear();
    for (const ScenePicture& scene : SCENE_PICTURES) {
        int32_t n = scene.number;
        GeneratedPicture out{n, SceneFileName(scene.path), BmpKind::RGB24, {}};
        for (const PictureFamily& family : PICTURE_FAMILIES)
            if (n >= family.first && n <= family.last && !family.draw(sources, fonts, out, error)) return false;
        pictures.push_back(std::move(out));
    }
    return true;
}
