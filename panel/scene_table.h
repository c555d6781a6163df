// The show's pictures in one table: number, file, role and place on screen of each.
// The texture loader, the panel build, the show, the generator and the checker all
// derive their numbers from it. No GL, no SDL: the tools read it too.
#pragma once

#include "panel/placement.h"

#include <array>
#include <cstdint>
#include <cstdlib>

// What a picture is for in the show. A role with several pictures is indexed by
// their order in the table (a text page, the button lit, a credit's stage ...);
// the generator draws each role with one family of pictures.
enum class SceneRole : int32_t {
    BACKDROP_LEFT,
    BACKDROP_RIGHT,
    TEXT_PAGE,        // the menu entries' pages, in the order of their first pages
    BUTTON,           // the page buttons with none, Back, Next lit
    ENTRY_PICTURE,    // the menu labels with an entry marked, one per entry
    POINTER,
    POINTER_MASK,
    LOGO_CLOCK,
    LOGO_LOWER_BAR,
    LOGO_NAME,
    LOGO_UPPER_BAR,
    LOGO_YEAR,
    CREDIT_WORD,      // one per credit stage, slides to the right
    CREDIT_NAME,      // one per credit stage, slides upwards
    BLINK,            // lit, then dim
};
constexpr int32_t SCENE_ROLE_COUNT = static_cast<int32_t>(SceneRole::BLINK) + 1;

struct ScenePicture {
    int32_t number;       // texture number, and the number of the panel drawn with it
    const char* path;     // as the program opens it, backslash and all
    SceneRole role;
    PanelPlacement placement;
};

// Where the pictures lie: x, y from -1 to 1 across the screen, then the window of
// the picture shown there.
inline constexpr PanelPlacement BACKDROP_LEFT_PLACE = {-1.0f, -1.0f, 0.6f, 1.0f, 0.0f, 0.0625f, 1.0f, 1.0f};
// The right backdrop, and the pictures laid exactly over it.
inline constexpr PanelPlacement MENU_RIGHT_PLACE = {-0.6f, -1.0f, 1.0f, 1.0f, 0.0f, 0.0625f, 1.0f, 1.0f};
inline constexpr PanelPlacement TEXT_PAGE_PLACE = {-0.15f, -1.35f, 0.7875f, 0.8f, 0.0f, 0.0f, 0.5859375f, 1.0f};
inline constexpr PanelPlacement POINTER_PLACE = {0.5f, 0.5f, 0.7f, 0.766f, 0.0f, 0.0f, 1.0f, 1.0f};
inline constexpr PanelPlacement LOGO_CLOCK_PLACE = {0.0f, -0.6f, 1.1f, 0.6f, 0.0f, 0.4f, 0.7f, 1.0f};
inline constexpr PanelPlacement LOGO_LOWER_BAR_PLACE = {-1.0f, -1.0f, 1.0f, -0.6f, 0.0f, 0.9f, 0.6f, 1.0f};
inline constexpr PanelPlacement LOGO_NAME_PLACE = {-0.8f, -0.8f, 0.4f, -0.4f, 0.0f, 0.0f, 1.0f, 1.0f};
inline constexpr PanelPlacement LOGO_UPPER_BAR_PLACE = {-1.0f, 0.6f, 1.0f, 1.0f, 0.0f, 0.9f, 0.6f, 1.0f};
inline constexpr PanelPlacement LOGO_YEAR_PLACE = {-0.25f, -0.6f, 0.35f, -0.2f, 0.0f, 0.0f, 1.0f, 1.0f};
inline constexpr PanelPlacement CREDIT_WORD_PLACE = {-1.0f, -0.5f, 1.0f, 0.5f, 0.0f, 0.0f, 1.0f, 1.0f};
inline constexpr PanelPlacement CREDIT_NAME_PLACE = {-0.3f, -0.08f, 0.3f, 0.08f, 0.0f, 0.0f, 1.0f, 1.0f};
inline constexpr PanelPlacement BLINK_PLACE = {-1.0f, -1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f};

constexpr int SCENE_PICTURE_COUNT = 41;

// In the order of their numbers, which is the order they load in.
inline constexpr std::array<ScenePicture, SCENE_PICTURE_COUNT> SCENE_PICTURES = {{
    {0, "data\\scr1.bmp", SceneRole::BACKDROP_LEFT, BACKDROP_LEFT_PLACE},
    {1, "data\\scr2.bmp", SceneRole::BACKDROP_RIGHT, MENU_RIGHT_PLACE},
    {2, "data\\text1.bmp", SceneRole::TEXT_PAGE, TEXT_PAGE_PLACE},
    {3, "data\\text2.bmp", SceneRole::TEXT_PAGE, TEXT_PAGE_PLACE},
    {4, "data\\text3.bmp", SceneRole::TEXT_PAGE, TEXT_PAGE_PLACE},
    {5, "data\\text4.bmp", SceneRole::TEXT_PAGE, TEXT_PAGE_PLACE},
    {6, "data\\text5.bmp", SceneRole::TEXT_PAGE, TEXT_PAGE_PLACE},
    {7, "data\\text6.bmp", SceneRole::TEXT_PAGE, TEXT_PAGE_PLACE},
    {8, "data\\text7.bmp", SceneRole::TEXT_PAGE, TEXT_PAGE_PLACE},
    {9, "data\\text8.bmp", SceneRole::TEXT_PAGE, TEXT_PAGE_PLACE},
    {10, "data\\text9.bmp", SceneRole::TEXT_PAGE, TEXT_PAGE_PLACE},
    {11, "data\\texta.bmp", SceneRole::TEXT_PAGE, TEXT_PAGE_PLACE},
    {12, "data\\textb.bmp", SceneRole::TEXT_PAGE, TEXT_PAGE_PLACE},
    {13, "data\\textc.bmp", SceneRole::TEXT_PAGE, TEXT_PAGE_PLACE},
    {14, "data\\textd.bmp", SceneRole::TEXT_PAGE, TEXT_PAGE_PLACE},
    {15, "data\\texte.bmp", SceneRole::TEXT_PAGE, TEXT_PAGE_PLACE},
    {16, "data\\textf.bmp", SceneRole::TEXT_PAGE, TEXT_PAGE_PLACE},
    {17, "data\\textg.bmp", SceneRole::TEXT_PAGE, TEXT_PAGE_PLACE},
    {18, "data\\texth.bmp", SceneRole::TEXT_PAGE, TEXT_PAGE_PLACE},
    {20, "data\\button1.bmp", SceneRole::BUTTON, MENU_RIGHT_PLACE},
    {21, "data\\button2.bmp", SceneRole::BUTTON, MENU_RIGHT_PLACE},
    {22, "data\\button3.bmp", SceneRole::BUTTON, MENU_RIGHT_PLACE},
    {30, "data\\scr3.bmp", SceneRole::ENTRY_PICTURE, MENU_RIGHT_PLACE},
    {31, "data\\scr4.bmp", SceneRole::ENTRY_PICTURE, MENU_RIGHT_PLACE},
    {32, "data\\scr5.bmp", SceneRole::ENTRY_PICTURE, MENU_RIGHT_PLACE},
    {33, "data\\scr6.bmp", SceneRole::ENTRY_PICTURE, MENU_RIGHT_PLACE},
    {35, "data\\mouse.bmp", SceneRole::POINTER, POINTER_PLACE},
    {36, "data\\opac.bmp", SceneRole::POINTER_MASK, POINTER_PLACE},
    {40, "data\\kopf.bmp", SceneRole::LOGO_CLOCK, LOGO_CLOCK_PLACE},
    {41, "data\\balken1.bmp", SceneRole::LOGO_LOWER_BAR, LOGO_LOWER_BAR_PLACE},
    {42, "data\\font2.bmp", SceneRole::LOGO_NAME, LOGO_NAME_PLACE},
    {43, "data\\balken2.bmp", SceneRole::LOGO_UPPER_BAR, LOGO_UPPER_BAR_PLACE},
    {44, "data\\font1.bmp", SceneRole::LOGO_YEAR, LOGO_YEAR_PLACE},
    {50, "data\\code.bmp", SceneRole::CREDIT_WORD, CREDIT_WORD_PLACE},
    {51, "data\\gfx.bmp", SceneRole::CREDIT_WORD, CREDIT_WORD_PLACE},
    {52, "data\\music.bmp", SceneRole::CREDIT_WORD, CREDIT_WORD_PLACE},
    {53, "data\\dornwick.bmp", SceneRole::CREDIT_NAME, CREDIT_NAME_PLACE},
    {54, "data\\tessary.bmp", SceneRole::CREDIT_NAME, CREDIT_NAME_PLACE},
    {55, "data\\palumer.bmp", SceneRole::CREDIT_NAME, CREDIT_NAME_PLACE},
    {60, "data\\mabrik1.bmp", SceneRole::BLINK, BLINK_PLACE},
    {61, "data\\mabrik2.bmp", SceneRole::BLINK, BLINK_PLACE},
}};

constexpr const char* MUSIC_MODULE_PATH = "data\\phatfunk.mod";

// --- lookups -----------------------------------------------------------------

// The row of a picture; null for a number the show has no picture for.
constexpr const ScenePicture* FindScenePicture(int32_t number) {
    for (const ScenePicture& picture : SCENE_PICTURES)
        if (picture.number == number) return &picture;
    return nullptr;
}

// The placement of a panel of the show; null for a number the show never builds.
constexpr const PanelPlacement* FindPanelPlacement(int32_t panel) {
    const ScenePicture* picture = FindScenePicture(panel);
    return picture ? &picture->placement : nullptr;
}

constexpr int32_t SceneRoleCount(SceneRole role) {
    int32_t count = 0;
    for (const ScenePicture& picture : SCENE_PICTURES) count += picture.role == role;
    return count;
}

// The number of the index-th picture of a role. Asking for one the table does not
// have stops the build where a constant is derived, and the program elsewhere.
constexpr int32_t SceneNumber(SceneRole role, int32_t index = 0) {
    for (const ScenePicture& picture : SCENE_PICTURES)
        if (picture.role == role && index-- == 0) return picture.number;
    std::abort();
}

// Where a picture stands among those of its role; -1 for a number without a picture.
constexpr int32_t SceneRoleIndex(int32_t number) {
    const ScenePicture* picture = FindScenePicture(number);
    if (!picture) return -1;
    int32_t index = 0;
    for (const ScenePicture& other : SCENE_PICTURES)
        if (other.number < number && other.role == picture->role) ++index;
    return index;
}

// The show reaches a role's pictures by adding an index to its first number:
// true when they are numbered one after another.
constexpr bool SceneRoleIsRun(SceneRole role) {
    for (int32_t k = 0; k < SceneRoleCount(role); ++k)
        if (SceneNumber(role, k) != SceneNumber(role) + k) return false;
    return true;
}

// The file name alone ("scr1.bmp"), for tools that write or check a data folder.
constexpr const char* SceneFileName(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    return name;
}

// --- what a wrong table would break ---------------------------------------------

namespace scene_table_checks {

constexpr bool SameText(const char* a, const char* b) {
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

constexpr bool StartsWith(const char* text, const char* start) {
    while (*start && *text == *start) ++text, ++start;
    return *start == 0;
}

// Ascending numbers: one row per picture, loaded in table order.
constexpr bool NumbersAscend() {
    for (size_t i = 1; i < SCENE_PICTURES.size(); ++i)
        if (SCENE_PICTURES[i].number <= SCENE_PICTURES[i - 1].number) return false;
    return SCENE_PICTURES.front().number >= 0;
}

constexpr bool FilesDiffer() {
    for (size_t i = 0; i < SCENE_PICTURES.size(); ++i)
        for (size_t j = i + 1; j < SCENE_PICTURES.size(); ++j)
            if (SameText(SceneFileName(SCENE_PICTURES[i].path), SceneFileName(SCENE_PICTURES[j].path))) return false;
    return !SameText(SceneFileName(MUSIC_MODULE_PATH), "");
}

constexpr bool FilesInDataFolder() {
    for (const ScenePicture& picture : SCENE_PICTURES)
        if (!StartsWith(picture.path, "data\\") || SameText(SceneFileName(picture.path), "")) return false;
    return StartsWith(MUSIC_MODULE_PATH, "data\\");
}

// Every role has a picture: the show draws each of them.
constexpr bool EveryRoleUsed() {
    for (int32_t r = 0; r < SCENE_ROLE_COUNT; ++r)
        if (SceneRoleCount(static_cast<SceneRole>(r)) == 0) return false;
    return true;
}

// A placement with no extent on screen or in its picture draws nothing.
constexpr bool PlacementsHaveArea() {
    for (const ScenePicture& picture : SCENE_PICTURES) {
        const PanelPlacement& p = picture.placement;
        if (p.xStart == p.xEnd || p.yStart == p.yEnd || p.uStart == p.uEnd || p.vStart == p.vEnd) return false;
    }
    return true;
}

constexpr bool SamePlace(const PanelPlacement& a, const PanelPlacement& b) {
    return a.xStart == b.xStart && a.yStart == b.yStart && a.xEnd == b.xEnd && a.yEnd == b.yEnd &&
           a.uStart == b.uStart && a.vStart == b.vStart && a.uEnd == b.uEnd && a.vEnd == b.vEnd;
}

// The show swaps the pictures of a role in one place (the button lit, the credit's
// stage, the blink), and the generator lays them out alike.
constexpr bool RolesShareTheirPlace() {
    for (const ScenePicture& picture : SCENE_PICTURES)
        if (!SamePlace(picture.placement, FindScenePicture(SceneNumber(picture.role))->placement)) return false;
    return true;
}

static_assert(NumbersAscend(), "picture numbers must ascend: one row per picture");
static_assert(FilesDiffer(), "two pictures share a file");
static_assert(FilesInDataFolder(), "every file lies in data\\");
static_assert(EveryRoleUsed(), "a role has no picture");
static_assert(PlacementsHaveArea(), "a placement has no area");
static_assert(RolesShareTheirPlace(), "pictures of one role lie in different places");

}  // namespace scene_table_checks
