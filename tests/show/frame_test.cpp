// The show's frames drawn on the headless platform and read back: the outro's last frame,
// and the menu frame against the composition its layers imply.
#include "show/intro.h"
#include "show/menu.h"
#include "show/show.h"

#include "image/texture.h"
#include "panel/draw.h"
#include "panel/panel.h"
#include "platform/headless.h"
#include "platform/platform.h"

#include "tests/support/failed_comparison.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int32_t WIDTH = SCREEN_WIDTH;
constexpr int32_t HEIGHT = SCREEN_HEIGHT;

using Rgb = std::array<int, 3>;

// One window and one scene of solid-coloured test pictures for the whole program.
class ShowFrames : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_NE(CreateDisplayWindow(WIDTH, HEIGHT, 1, nullptr), nullptr);
        scene_ = new Scene{};
        BuildScenePanels(scene_->panels.data());
    }
    static void TearDownTestSuite() {
        for (Panel& panel : scene_->panels) FreePanelGrid(&panel);
        FreeTextures(scene_->textures.data());
        delete scene_;
        scene_ = nullptr;
    }

    // Gives texture `number` a single colour.
    static void Paint(int32_t number, Rgb colour) {
        GLuint name = scene_->textures[number].glName;
        if (name == 0) glGenTextures(1, &name);
        uint8_t texels[4 * 3];
        for (int i = 0; i < 4; ++i)
            for (int c = 0; c < 3; ++c) texels[i * 3 + c] = static_cast<uint8_t>(colour[c]);
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
        scene_->textures[number].glName = name;
    }

    static void DrawMenuFrame(const MenuState& state) {
        DrawList calls;
        calls.Add(ClearCall(0.0f, 0.0f, 0.0f, 0.0f));
        AddMenuPanelCalls(state, calls);
        AddMenuPointerCall(state, calls);
        DrawFrameCalls(*scene_, calls);
    }

    inline static Scene* scene_;
};

// --- the outro's last frame -----------------------------------------------------------------

TEST_F(ShowFrames, OutroLateFrameIsTheBlackLastOne) {
    const uint32_t clock[] = {20000, 25000, 29000};
    Paint(60, {200, 200, 200});
    Paint(61, {200, 200, 200});
    std::array<int32_t, KEY_TABLE_SIZE> keys{};
    keys[VK_ESCAPE] = 1;
    ShowState show = StartShow();
    StepShow(show, {keys.data(), clock[0], {INTRO_END_ORDER, 0, 0}});
    int frames = 0;
    std::vector<uint8_t> pixels(WIDTH * HEIGHT * 3);
    for (uint32_t now : clock) {
        if (ShowOver(show)) break;
        Frame frame = StepShow(show, {keys.data(), now, {}});
        DrawFrameCalls(*scene_, frame.calls);
        ReadFrameRgb(pixels.data(), WIDTH, HEIGHT);
        ++frames;
    }
    EXPECT_EQ(frames, 3);
    EXPECT_TRUE(ShowOver(show));
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](uint8_t v) { return v == 0; }))
        << "the last frame is not black";
}

// --- the menu frame's layers ---------------------------------------------------------------

struct Rect {
    double x0, y0, x1, y1;
};

// The rectangles of the scene's panels that the menu draws, from their placement.
Rect PanelRect(int32_t number, double dx = 0.0, double dy = 0.0) {
    Panel p{};
    const PanelPlacement* placement = FindPanelPlacement(number);
    BuildPanelGrid(&p, placement->xStart, placement->yStart, placement->xEnd, placement->yEnd, PANEL_Z,
                   placement->uStart, placement->vStart, placement->uEnd, placement->vEnd, 2, 2, number, nullptr);
    const PanelVertex& a = p.vertices[0];
    const PanelVertex& b = p.vertices[p.vertexCount - 1];
    Rect rect = {std::min(a.x, b.x) + dx, std::min(a.y, b.y) + dy, std::max(a.x, b.x) + dx, std::max(a.y, b.y) + dy};
    FreePanelGrid(&p);
    return rect;
}

struct Layer {
    enum Kind { OPAQUE, ADD, MULTIPLY } kind;
    Rect rect;
    Rgb colour;
    double brightness;   // ADD only
};

// Pixel-centre coverage; pixels within a pixel and a half of an edge are left out of the
// comparison, where rasterisation may go either way.
struct Coverage {
    bool inside;
    bool nearEdge;
};

Coverage Cover(const Rect& r, int px, int py) {
    double x = (px + 0.5) / (WIDTH / 2.0) - 1.0;
    double y = 1.0 - (py + 0.5) / (HEIGHT / 2.0);
    double mx = 1.5 / (WIDTH / 2.0), my = 1.5 / (HEIGHT / 2.0);
    bool inside = x >= r.x0 && x < r.x1 && y >= r.y0 && y < r.y1;
    bool nearEdge = (std::fabs(x - r.x0) < mx || std::fabs(x - r.x1) < mx) && y > r.y0 - my && y < r.y1 + my;
    nearEdge = nearEdge || ((std::fabs(y - r.y0) < my || std::fabs(y - r.y1) < my) && x > r.x0 - mx && x < r.x1 + mx);
    return {inside, nearEdge};
}

// Compares the back buffer with the layers composed in order; returns the number of
// differing pixels and saves both pictures when there are any.
int CompareWithLayers(const std::vector<Layer>& layers, const std::string& name, int* compared) {
    std::vector<uint8_t> actual(WIDTH * HEIGHT * 3), expected(WIDTH * HEIGHT * 3, 0);
    ReadFrameRgb(actual.data(), WIDTH, HEIGHT);
    int differing = 0;
    *compared = 0;
    for (int py = 0; py < HEIGHT; ++py) {
        for (int px = 0; px < WIDTH; ++px) {
            std::array<double, 3> c = {0, 0, 0};
            bool skip = false;
            for (const Layer& layer : layers) {
                Coverage cover = Cover(layer.rect, px, py);
                skip = skip || cover.nearEdge;
                if (!cover.inside) continue;
                for (int k = 0; k < 3; ++k) {
                    double v = layer.colour[k];
                    if (layer.kind == Layer::OPAQUE) c[k] = v;
                    if (layer.kind == Layer::ADD) c[k] = std::min(255.0, c[k] + std::round(v * layer.brightness));
                    if (layer.kind == Layer::MULTIPLY) c[k] = std::round(c[k] * v / 255.0);
                }
            }
            uint8_t* e = &expected[(py * WIDTH + px) * 3];
            for (int k = 0; k < 3; ++k) e[k] = static_cast<uint8_t>(c[k]);
            if (skip) continue;
            ++*compared;
            const uint8_t* a = &actual[(py * WIDTH + px) * 3];
            for (int k = 0; k < 3; ++k) {
                if (std::abs(a[k] - e[k]) > 1) {
                    ++differing;
                    break;
                }
            }
        }
    }
    if (differing > 0)
        std::printf("%s\n", SaveFailedComparison(name, {actual.data(), WIDTH, HEIGHT}, {expected.data(), WIDTH, HEIGHT})
                                .c_str());
    return differing;
}

// Colours of the test pictures: multiples of 10, so that 0.5 and 0.8 of them are whole levels.
const std::map<int32_t, Rgb> COLOURS = {
    {0, {40, 80, 120}},  {1, {100, 60, 20}},  {13, {50, 100, 150}}, {14, {150, 50, 10}},
    {20, {20, 50, 0}},   {21, {0, 0, 90}},    {22, {90, 0, 0}},     {30, {0, 20, 50}},
    {31, {30, 30, 30}},  {35, {10, 20, 30}},  {36, {255, 130, 0}},
};

// The layers a menu frame of `state` is made of: the backdrop opaque, the pages, button
// and entry picture added at their brightness (0.8 at most), then the masked pointer.
std::vector<Layer> MenuLayers(const MenuState& state) {
    auto add = [](int32_t panel, double brightness) {
        return Layer{Layer::ADD, PanelRect(panel), COLOURS.at(panel), std::min(brightness, 0.8)};
    };
    std::vector<Layer> layers = {
        {Layer::OPAQUE, PanelRect(0), COLOURS.at(0), 1.0},
        {Layer::OPAQUE, PanelRect(1), COLOURS.at(1), 1.0},
    };
    if (state.newPageBrightness > 0) layers.push_back(add(PagePanel(state), state.newPageBrightness));
    if (state.oldPageBrightness > 0) layers.push_back(add(state.oldPagePanel, state.oldPageBrightness));
    layers.push_back(add(BUTTON_PANEL + state.pressedButton, 1.0));
    layers.push_back(add(MENU_ENTRIES[state.entry].picturePanel, 1.0));
    Rect pointer = PanelRect(POINTER_PANEL, POINTER_X_OFFSET, state.pointerY);
    layers.push_back({Layer::MULTIPLY, pointer, COLOURS.at(36), 1.0});
    layers.push_back({Layer::ADD, pointer, COLOURS.at(35), 1.0});
    return layers;
}

TEST_F(ShowFrames, SettledMenuFrameIsItsLayersInOrder) {
    for (auto [number, colour] : COLOURS) Paint(number, colour);
    MenuState state = StartMenu(0);
    UpdateMenu(state, {}, 1000);
    ASSERT_EQ(state.pointerY, POINTER_Y[3]);
    ASSERT_EQ(state.oldPagePanel, 13);
    DrawMenuFrame(state);
    int compared = 0;
    EXPECT_EQ(CompareWithLayers(MenuLayers(state), "settled-menu", &compared), 0);
    EXPECT_GT(compared, WIDTH * HEIGHT * 9 / 10);
}

TEST_F(ShowFrames, MenuFrameMidFadeWithTheButtonLit) {
    for (auto [number, colour] : COLOURS) Paint(number, colour);
    MenuState state = StartMenu(0);
    UpdateMenu(state, {}, 1000);
    state.position = NEXT_PAGE_POSITION;
    ActivatePosition(state);                   // page 14 fades in over 13
    UpdateMenuBeforePanels(state, {}, 1250);   // halfway
    ASSERT_EQ(state.newPageBrightness, 0.5f);
    ASSERT_EQ(state.pressedButton, NEXT_BUTTON);
    DrawMenuFrame(state);
    int compared = 0;
    EXPECT_EQ(CompareWithLayers(MenuLayers(state), "fading-menu", &compared), 0);
}

}  // namespace
