#include "tests/content/screen_mock.h"

#include "image/bmp.h"
#include "image/scene_files.h"
#include "panel/panel.h"

#include "tools/capture/png_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

struct Picture {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> pixels;   // as the loader gives them: bottom row first
};

bool LoadPicture(const std::string& dataDir, int32_t number, Picture& picture) {
    for (const ScenePicture& scene : SCENE_PICTURES) {
        if (scene.number != number) continue;
        std::string path = dataDir + "/" + SceneFileName(scene.path);
        RgbImage* image = LoadBmpImage(path.c_str());
        if (!image) return false;
        picture.width = image->width;
        picture.height = image->height;
        picture.pixels.assign(image->pixels, image->pixels + static_cast<size_t>(image->width) * image->height * 3);
        FreeRgbImage(image);
        return true;
    }
    return false;
}

const PanelPlacement* Placement(int32_t number) {
    for (const PanelPlacement& p : SCENE_PANEL_PLACEMENTS)
        if (number >= p.first && number <= p.last) return &p;
    return nullptr;
}

// Calls `apply` for every screen pixel the placement covers, with the picture's texel there.
template <typename Apply>
void ForEachPixel(const PanelPlacement& p, const Picture& picture, float dx, float dy, Apply apply) {
    for (int32_t row = 0; row < 480; ++row)
        for (int32_t column = 0; column < 640; ++column) {
            double x = (column + 0.5) / 320.0 - 1.0 - dx;
            double y = 1.0 - (row + 0.5) / 240.0 - dy;
            double s = (x - p.xStart) / (p.xEnd - p.xStart), t = (y - p.yStart) / (p.yEnd - p.yStart);
            if (s < 0 || s >= 1 || t < 0 || t >= 1) continue;
            double u = p.uStart + s * (p.uEnd - p.uStart), v = p.vStart + t * (p.vEnd - p.vStart);
            auto tc = std::clamp(static_cast<int32_t>(std::floor(u * picture.width)), 0, picture.width - 1);
            auto tr = std::clamp(static_cast<int32_t>(std::floor(v * picture.height)), 0, picture.height - 1);
            const uint8_t* texel = &picture.pixels[(static_cast<size_t>(tr) * picture.width + tc) * 3];
            apply(static_cast<size_t>(row) * 640 + column, texel);
        }
}

}  // namespace

bool MockPanel(ScreenMock& screen, const std::string& dataDir, int32_t panel, float brightness, bool additive,
               float dx, float dy) {
    if (brightness <= 0) return true;
    brightness = std::min(brightness, 0.8f);
    const PanelPlacement* placement = Placement(panel);
    Picture picture;
    if (!placement || !LoadPicture(dataDir, panel, picture)) return false;
    ForEachPixel(*placement, picture, dx, dy, [&](size_t at, const uint8_t* texel) {
        for (int c = 0; c < 3; ++c) {
            float value = texel[c] / 255.0f;
            float& out = screen.rgb[at * 3 + c];
            out = additive ? std::min(1.0f, out + value * brightness) : value;
        }
    });
    return true;
}

bool MockPointer(ScreenMock& screen, const std::string& dataDir, float dx, float dy) {
    const PanelPlacement* placement = Placement(35);
    Picture mask, sprite;
    if (!LoadPicture(dataDir, 36, mask) || !LoadPicture(dataDir, 35, sprite)) return false;
    ForEachPixel(*placement, mask, dx, dy, [&](size_t at, const uint8_t* texel) {
        for (int c = 0; c < 3; ++c) screen.rgb[at * 3 + c] *= texel[c] / 255.0f;
    });
    ForEachPixel(*placement, sprite, dx, dy, [&](size_t at, const uint8_t* texel) {
        for (int c = 0; c < 3; ++c) screen.rgb[at * 3 + c] = std::min(1.0f, screen.rgb[at * 3 + c] + texel[c] / 255.0f);
    });
    return true;
}

bool WriteScreenPng(const ScreenMock& screen, const std::string& path) {
    std::vector<uint8_t> rgb(screen.rgb.size());
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<uint8_t>(std::lround(std::clamp(screen.rgb[i], 0.0f, 1.0f) * 255));
    std::string error;
    return WritePngRgb(path, rgb.data(), screen.width, screen.height, &error);
}
