// The pictures of the show under their texture numbers. Loading, the data
// generator and the data checker all read this one list.
#pragma once

#include <array>
#include <cstdint>

struct ScenePicture {
    int32_t number;     // texture number, and the number of the panel drawn with it
    const char* path;   // as the program opens it, backslash and all
};

constexpr int SCENE_PICTURE_COUNT = 41;

constexpr std::array<ScenePicture, SCENE_PICTURE_COUNT> SCENE_PICTURES = {{
    {0, "data\\scr1.bmp"},     {1, "data\\scr2.bmp"},     {2, "data\\text1.bmp"},
    {3, "data\\text2.bmp"},    {4, "data\\text3.bmp"},    {5, "data\\text4.bmp"},
    {6, "data\\text5.bmp"},    {7, "data\\text6.bmp"},    {8, "data\\text7.bmp"},
    {9, "data\\text8.bmp"},    {10, "data\\text9.bmp"},   {11, "data\\texta.bmp"},
    {12, "data\\textb.bmp"},   {13, "data\\textc.bmp"},   {14, "data\\textd.bmp"},
    {15, "data\\texte.bmp"},   {16, "data\\textf.bmp"},   {17, "data\\textg.bmp"},
    {18, "data\\texth.bmp"},   {20, "data\\button1.bmp"}, {21, "data\\button2.bmp"},
    {22, "data\\button3.bmp"}, {30, "data\\scr3.bmp"},    {31, "data\\scr4.bmp"},
    {32, "data\\scr5.bmp"},    {33, "data\\scr6.bmp"},    {35, "data\\mouse.bmp"},
    {36, "data\\opac.bmp"},    {40, "data\\kopf.bmp"},    {41, "data\\balken1.bmp"},
    {42, "data\\font2.bmp"},   {43, "data\\balken2.bmp"}, {44, "data\\font1.bmp"},
    {50, "data\\code.bmp"},    {51, "data\\gfx.bmp"},     {52, "data\\music.bmp"},
    {53, "data\\dornwick.bmp"}, {54, "data\\tessary.bmp"}, {55, "data\\palumer.bmp"},
    {60, "data\\mabrik1.bmp"}, {61, "data\\mabrik2.bmp"},
}};

constexpr const char* MUSIC_MODULE_PATH = "data\\phatfunk.mod";

// The file name alone ("scr1.bmp"), for tools that write or check a data folder.
constexpr const char* SceneFileName(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    return name;
}
