// The pictures of the show: which family draws each role, and the checks of the sources.
#include "tools/generate/pictures.h"

#include "panel/scene_table.h"
#include "show/menu.h"
#include "tools/generate/artwork.h"

namespace {

// The family that draws each role's pictures.
struct PictureFamily {
    SceneRole role;
    PictureDrawer draw;
};
constexpr PictureFamily PICTURE_FAMILIES[] = {
    {SceneRole::BACKDROP_LEFT, DrawBackdropPicture},  {SceneRole::BACKDROP_RIGHT, DrawBackdropPicture},
    {SceneRole::TEXT_PAGE, DrawPagePicture},          {SceneRole::BUTTON, DrawButtonPicture},
    {SceneRole::ENTRY_PICTURE, DrawEntryPicture},     {SceneRole::POINTER, DrawPointerPicture},
    {SceneRole::POINTER_MASK, DrawPointerPicture},    {SceneRole::LOGO_CLOCK, DrawLogoPicture},
    {SceneRole::LOGO_LOWER_BAR, DrawLogoPicture},     {SceneRole::LOGO_NAME, DrawLogoPicture},
    {SceneRole::LOGO_UPPER_BAR, DrawLogoPicture},     {SceneRole::LOGO_YEAR, DrawLogoPicture},
    {SceneRole::CREDIT_WORD, DrawCreditsPicture},     {SceneRole::CREDIT_NAME, DrawCreditsPicture},
    {SceneRole::BLINK, DrawCreditsPicture},
};

constexpr PictureDrawer FamilyOf(SceneRole role) {
    for (const PictureFamily& family : PICTURE_FAMILIES)
        if (family.role == role) return family.draw;
    return nullptr;
}

// Every role is drawn by exactly one family.
constexpr bool FamiliesCoverRoles() {
    for (int32_t r = 0; r < SCENE_ROLE_COUNT; ++r) {
        int32_t families = 0;
        for (const PictureFamily& family : PICTURE_FAMILIES) families += family.role == static_cast<SceneRole>(r);
        if (families != 1) return false;
    }
    return true;
}
static_assert(FamiliesCoverRoles(), "a role without a family, or with two");

}  // namespace

std::string PageSourceName(int32_t textPage) {
    int32_t entry = 0, page = 0;
    if (!FindTextPage(textPage, entry, page)) return "?";
    return std::string(MENU_ENTRIES[entry].pageFiles) + "-" + std::to_string(page + 1) + ".txt";
}

bool DrawPictures(const PictureSources& sources, FontLibrary& fonts, int32_t scale,
                  std::vector<GeneratedPicture>& pictures, std::string& error,
                  const std::function<void(const GeneratedPicture&)>& drawn) {
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
        GeneratedPicture out{scene.number, SceneFileName(scene.path), scale, BmpKind::RGB24, {}};
        if (!FamilyOf(scene.role)(sources, fonts, out, error)) return false;
        pictures.push_back(std::move(out));
        if (drawn) drawn(pictures.back());
    }
    return true;
}
