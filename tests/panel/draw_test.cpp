// The drawing modes on a real GL: what each puts on screen and the state it leaves.
#include "image/texture.h"
#include "panel/draw.h"
#include "panel/panel.h"
#include "platform/headless.h"
#include "platform/platform.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include "tests/support/failed_comparison.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int WIDTH = SCREEN_WIDTH;
constexpr int HEIGHT = SCREEN_HEIGHT;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

// A frame, top row first.
struct Image {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(WIDTH * HEIGHT * 3);
    Rgb At(int x, int y) const {
        const uint8_t* p = &bytes[(static_cast<size_t>(y) * WIDTH + x) * 3];
        return {p[0], p[1], p[2]};
    }
    void Set(int x, int y, Rgb c) {
        uint8_t* p = &bytes[(static_cast<size_t>(y) * WIDTH + x) * 3];
        p[0] = static_cast<uint8_t>(c.r);
        p[1] = static_cast<uint8_t>(c.g);
        p[2] = static_cast<uint8_t>(c.b);
    }
};

Image ReadFrame() {
    Image image;
    ReadFrameRgb(image.bytes.data(), WIDTH, HEIGHT);
    return image;
}

std::string TestName() {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : name)
        if (c == '/') c = '_';
    return "panel-" + name;
}

// Every channel of every pixel within `tolerance`; on a mismatch both frames
// are saved and the first differing pixel reported.
void ExpectImagesNear(const Image& actual, const Image& expected, int tolerance, const std::string& what) {
    int mismatches = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) {
            Rgb a = actual.At(x, y), e = expected.At(x, y);
            if (std::abs(a.r - e.r) > tolerance || std::abs(a.g - e.g) > tolerance ||
                std::abs(a.b - e.b) > tolerance) {
                if (mismatches++ == 0) firstX = x, firstY = y;
            }
        }
    if (mismatches == 0) return;
    Rgb a = actual.At(firstX, firstY), e = expected.At(firstX, firstY);
    ADD_FAILURE() << what << ": " << mismatches << " pixels differ; first at (" << firstX << ", " << firstY
                  << ") from the top: got " << a.r << "," << a.g << "," << a.b << " expected " << e.r << ","
                  << e.g << "," << e.b << "\n  "
                  << SaveFailedComparison(TestName() + "-" + what, {actual.bytes.data(), WIDTH, HEIGHT},
                                          {expected.bytes.data(), WIDTH, HEIGHT});
}

// A texture made the way the texture table makes them: RGB, nearest filtering.
// Texels bottom row first, as pictures are uploaded.
struct Texture {
    int width, height;
    std::vector<Rgb> texels;
    Rgb At(float u, float v) const {
        int column = std::clamp(static_cast<int>(std::floor(u * width)), 0, width - 1);
        int row = std::clamp(static_cast<int>(std::floor(v * height)), 0, height - 1);
        return texels[static_cast<size_t>(row) * width + column];
    }
};

// What an axis-aligned panel draws at a pixel centre, if it covers it: the
// reference the GL frames are held to.
struct Quad {
    float x0, y0, x1, y1;   // panel corners, x and y from -1 to 1
    float u0, v0, u1, v1;   // texture coordinates at those corners
    bool Covers(float x, float y) const {
        return x > std::min(x0, x1) && x < std::max(x0, x1) && y > std::min(y0, y1) && y < std::max(y0, y1);
    }
    Rgb Sample(const Texture& texture, float x, float y) const {
        float u = u0 + (x - x0) / (x1 - x0) * (u1 - u0);
        float v = v0 + (y - y0) / (y1 - y0) * (v1 - v0);
        return texture.At(u, v);
    }
};

Image Expected(const std::function<Rgb(float x, float y, Rgb frame)>& shade, const Image& under) {
    Image image;
    for (int py = 0; py < HEIGHT; ++py)
        for (int px = 0; px < WIDTH; ++px) {
            float x = (px + 0.5f) / WIDTH * 2.0f - 1.0f;
            float y = 1.0f - (py + 0.5f) / HEIGHT * 2.0f;
            image.Set(px, py, shade(x, y, under.At(px, py)));
        }
    return image;
}

Image Filled(Rgb colour) {
    Image image;
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) image.Set(x, y, colour);
    return image;
}

int Add(int frame, int texel, float brightness) {
    return std::min(255, frame + static_cast<int>(std::lround(texel * brightness)));
}
Rgb Add(Rgb frame, Rgb texel, float brightness) {
    return {Add(frame.r, texel.r, brightness), Add(frame.g, texel.g, brightness), Add(frame.b, texel.b, brightness)};
}

// Every GL value a drawing mode sets or might set, with its name.
struct GlSnapshot {
    std::vector<std::pair<std::string, double>> values;
    void Add(const std::string& name, const double* v, int count) {
        for (int i = 0; i < count; ++i) values.emplace_back(name + "[" + std::to_string(i) + "]", v[i]);
    }
};

GlSnapshot TakeGlSnapshot() {
    GlSnapshot s;
    const struct {
        const char* name;
        GLenum pname;
        int count;
    } values[] = {
        {"matrix mode", GL_MATRIX_MODE, 1},
        {"model-view", GL_MODELVIEW_MATRIX, 16},
        {"projection", GL_PROJECTION_MATRIX, 16},
        {"model-view depth", GL_MODELVIEW_STACK_DEPTH, 1},
        {"projection depth", GL_PROJECTION_STACK_DEPTH, 1},
        {"attribute depth", GL_ATTRIB_STACK_DEPTH, 1},
        {"texture binding", GL_TEXTURE_BINDING_2D, 1},
        {"blend source", GL_BLEND_SRC, 1},
        {"blend destination", GL_BLEND_DST, 1},
        {"depth function", GL_DEPTH_FUNC, 1},
        {"depth writes", GL_DEPTH_WRITEMASK, 1},
        {"colour", GL_CURRENT_COLOR, 4},
        {"normal", GL_CURRENT_NORMAL, 3},
        {"texture coordinates", GL_CURRENT_TEXTURE_COORDS, 4},
        {"viewport", GL_VIEWPORT, 4},
    };
    for (const auto& v : values) {
        double buffer[16] = {};
        glGetDoublev(v.pname, buffer);
        s.Add(v.name, buffer, v.count);
    }
    const struct {
        const char* name;
        GLenum cap;
    } caps[] = {{"blending", GL_BLEND},       {"culling", GL_CULL_FACE},   {"texturing", GL_TEXTURE_2D},
                {"depth test", GL_DEPTH_TEST}, {"lighting", GL_LIGHTING}};
    for (const auto& c : caps) {
        double on = glIsEnabled(c.cap) ? 1.0 : 0.0;
        s.Add(c.name, &on, 1);
    }
    GLint envMode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
    double mode = envMode;
    s.Add("texture environment", &mode, 1);
    return s;
}

void ExpectSameGlState(const GlSnapshot& before, const GlSnapshot& after, const std::string& what) {
    ASSERT_EQ(before.values.size(), after.values.size());
    for (size_t i = 0; i < before.values.size(); ++i)
        EXPECT_EQ(before.values[i].second, after.values[i].second) << what << ": " << before.values[i].first;
}

GLenum GetEnum(GLenum pname) {
    GLint value = 0;
    glGetIntegerv(pname, &value);
    return static_cast<GLenum>(value);
}

std::array<double, 16> GetMatrix(GLenum pname) {
    std::array<double, 16> m{};
    glGetDoublev(pname, m.data());
    return m;
}

std::array<double, 16> Perspective90(double farPlane) {
    std::array<double, 16> m{};
    m[0] = 1.0;
    m[5] = 1.0;
    m[10] = -(farPlane + 1.0) / (farPlane - 1.0);
    m[11] = -1.0;
    m[14] = -2.0 * farPlane / (farPlane - 1.0);
    return m;
}

void ExpectMatrixNear(const std::array<double, 16>& actual, const std::array<double, 16>& expected,
                      const char* what) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-6) << what << " element " << i;
}

const std::array<double, 16> IDENTITY = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

class PanelDraw : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static bool windowOpen = false;
        if (windowOpen) return;
        ASSERT_NE(CreateDisplayWindow(WIDTH, HEIGHT, 1, nullptr), nullptr);
        windowOpen = true;
    }

    void SetUp() override {
        scene_ = std::make_unique<Scene>();
        Reset();
    }

    void TearDown() override {
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        EmptyScene();
    }

    // The modes as the show calls them, on this test's scene.
    void DrawPanel(int32_t panel, float brightness, bool additive) {
        Draw(*scene_, PanelCall(panel, brightness, additive));
    }
    void DrawPanelShifted(int32_t panel, float dx, float dy, float brightness, bool additive) {
        Draw(*scene_, ShiftedPanelCall(panel, dx, dy, brightness, additive));
    }
    void DrawMaskedSprite(int32_t panel, float dx, float dy) { Draw(*scene_, SpriteCall(panel, dx, dy)); }
    void DrawFadeOverlay(float level) { Draw(*scene_, FadeCall(level)); }

    void EmptyScene() {
        for (int i = 0; i < PANEL_SLOTS; ++i) FreePanelGrid(&scene_->panels[i]);
        for (int i = 0; i < TEXTURE_SLOTS; ++i) scene_->textures[i].glName = 0;
        if (!names.empty()) glDeleteTextures(static_cast<GLsizei>(names.size()), names.data());
        names.clear();
    }

    // Empty tables, a black frame and the state the window set-up leaves,
    // whatever an earlier case changed.
    void Reset() {
        EmptyScene();
        glDisable(GL_BLEND);
        glDisable(GL_CULL_FACE);
        glDisable(GL_LIGHTING);
        glDepthMask(GL_TRUE);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glColor4f(1, 1, 1, 1);
        glBindTexture(GL_TEXTURE_2D, 0);
        InitGlState(WIDTH, HEIGHT);
        Clear({0, 0, 0});
        while (glGetError() != GL_NO_ERROR) {
        }
    }

    static void Clear(Rgb colour) {
        glClearColor(colour.r / 255.0f, colour.g / 255.0f, colour.b / 255.0f, 0.0f);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    // Uploads `texture` into texture slot `number`.
    void PutTexture(int32_t number, const Texture& texture) {
        std::vector<uint8_t> bytes;
        for (Rgb c : texture.texels) {
            bytes.push_back(static_cast<uint8_t>(c.r));
            bytes.push_back(static_cast<uint8_t>(c.g));
            bytes.push_back(static_cast<uint8_t>(c.b));
        }
        GLuint name = 0;
        glGenTextures(1, &name);
        names.push_back(name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, 3, texture.width, texture.height, 0, GL_RGB, GL_UNSIGNED_BYTE, bytes.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        scene_->textures[number].glName = name;
    }

    void BuildPanel(int32_t number, const Quad& q, int32_t columns = 2, int32_t rows = 2,
                    int32_t texture = -1) {
        BuildPanelGrid(&scene_->panels[number], q.x0, q.y0, q.x1, q.y1, -1.0f, q.u0, q.v0, q.u1, q.v1, columns, rows,
                       texture < 0 ? number : texture, StoreRestPosition);
        ASSERT_TRUE(IsBuiltPanel(scene_->panels[number]));
    }

    // A frame that is not plain: a full-screen opaque panel of four colours.
    void DrawBackdrop() {
        if (!IsBuiltPanel(scene_->panels[BACKDROP])) {
            PutTexture(BACKDROP, BACKDROP_TEXTURE);
            BuildPanel(BACKDROP, FULL_SCREEN);
        }
        DrawPanel(BACKDROP, 1.0f, false);
    }
    Image ExpectedBackdrop() {
        return Expected([](float x, float y, Rgb) { return FULL_SCREEN.Sample(BACKDROP_TEXTURE, x, y); },
                        Filled({0, 0, 0}));
    }

    static constexpr int32_t BACKDROP = 0;
    static constexpr Quad FULL_SCREEN = {-1.0f, -1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 1.0f, 1.0f};
    inline static const Texture BACKDROP_TEXTURE = {
        2, 2, {{40, 80, 120}, {200, 20, 60}, {90, 160, 30}, {128, 128, 128}}};
    // Distinct texels, some of them saturated, for the panels under test.
    inline static const Texture CHECKER = {
        2, 2, {{250, 200, 100}, {10, 128, 255}, {64, 32, 16}, {255, 255, 255}}};
    // A panel well inside the viewport: x 160 to 560, y 120 to 300 pixels from the bottom.
    static constexpr Quad INNER = {-0.5f, -0.5f, 0.75f, 0.25f, 0.0f, 0.0f, 1.0f, 1.0f};

    std::vector<GLuint> names;
    std::unique_ptr<Scene> scene_;
};

TEST_F(PanelDraw, BrightnessScalesAdditivePanelsUpToTheCap) {
    const struct {
        float brightness;
        float drawnAt;
    } cases[] = {{0.01f, 0.01f}, {0.5f, 0.5f}, {0.8f, 0.8f}, {1.0f, 0.8f}, {5.0f, 0.8f},
                 {std::numeric_limits<float>::infinity(), 0.8f}};
    for (const auto& c : cases) {
        Reset();
        DrawBackdrop();
        PutTexture(7, CHECKER);
        BuildPanel(7, INNER);
        DrawPanel(7, c.brightness, true);
        Image expected = Expected(
            [&](float x, float y, Rgb frame) {
                return INNER.Covers(x, y) ? Add(frame, INNER.Sample(CHECKER, x, y), c.drawnAt) : frame;
            },
            ExpectedBackdrop());
        ExpectImagesNear(ReadFrame(), expected, 1, "additive at " + std::to_string(c.brightness));
    }
}

TEST_F(PanelDraw, OpaquePanelsIgnoreTheBrightness) {
    for (float brightness : {0.01f, 0.5f, 1.0f, 5.0f}) {
        Reset();
        DrawBackdrop();
        PutTexture(7, CHECKER);
        BuildPanel(7, INNER);
        glColor4f(0.1f, 0.2f, 0.3f, 1.0f);
        DrawPanel(7, brightness, false);
        Image expected = Expected(
            [&](float x, float y, Rgb frame) { return INNER.Covers(x, y) ? INNER.Sample(CHECKER, x, y) : frame; },
            ExpectedBackdrop());
        ExpectImagesNear(ReadFrame(), expected, 0, "opaque at " + std::to_string(brightness));
    }
}

TEST_F(PanelDraw, TwoAdditiveHalvesMakeTheFullTexel) {
    PutTexture(7, CHECKER);
    BuildPanel(7, INNER);
    DrawPanel(7, 0.5f, true);
    DrawPanel(7, 0.5f, true);
    Image expected = Expected(
        [](float x, float y, Rgb frame) { return INNER.Covers(x, y) ? INNER.Sample(CHECKER, x, y) : frame; },
        Filled({0, 0, 0}));
    ExpectImagesNear(ReadFrame(), expected, 2, "twice at 0.5");
}

TEST_F(PanelDraw, EveryCellOnceWithItsOwnTexel) {
    // 4 x 3 vertices: 3 x 2 cells, one texel each. Drawn additively at 0.5 over
    // black, a cell sent twice would show doubled and a quad sent in the wrong
    // vertex order would leave half a cell out. Culling is on before the draw;
    // the mirrored grid winds clockwise and must be drawn all the same.
    const Texture cells = {3, 2, {{200, 0, 0}, {0, 200, 0}, {0, 0, 200}, {200, 200, 0}, {0, 200, 200},
                                  {200, 0, 200}}};
    const Quad grids[] = {
        {-0.9f, -0.6f, 0.9f, 0.9f, 0.0f, 0.0f, 1.0f, 1.0f},
        {0.9f, -0.6f, -0.9f, 0.9f, 0.0f, 0.0f, 1.0f, 1.0f},
    };
    for (const Quad& grid : grids) {
        Reset();
        PutTexture(9, cells);
        BuildPanel(9, grid, 4, 3);
        glEnable(GL_CULL_FACE);
        DrawPanel(9, 0.5f, true);
        Image expected = Expected(
            [&](float x, float y, Rgb frame) {
                return grid.Covers(x, y) ? Add(frame, grid.Sample(cells, x, y), 0.5f) : frame;
            },
            Filled({0, 0, 0}));
        ExpectImagesNear(ReadFrame(), expected, 1, grid.x0 < grid.x1 ? "grid" : "mirrored grid");
    }
}

TEST_F(PanelDraw, ShiftedByNothingDrawsWhatDrawPanelDraws) {
    for (bool additive : {false, true}) {
        Reset();
        PutTexture(7, CHECKER);
        BuildPanel(7, INNER, 3, 4);
        DrawBackdrop();
        DrawPanel(7, 0.6f, additive);
        Image plain = ReadFrame();
        DrawBackdrop();
        DrawPanelShifted(7, 0.0f, 0.0f, 0.6f, additive);
        ExpectImagesNear(ReadFrame(), plain, 0, additive ? "additive" : "opaque");
    }
}

TEST_F(PanelDraw, ShiftMovesTheGeometryNotTheTexture) {
    PutTexture(7, CHECKER);
    BuildPanel(7, INNER);
    DrawPanelShifted(7, 0.25f, 0.5f, 1.0f, false);
    Quad moved = INNER;
    moved.x0 += 0.25f;
    moved.x1 += 0.25f;
    moved.y0 += 0.5f;
    moved.y1 += 0.5f;
    Image expected = Expected(
        [&](float x, float y, Rgb frame) { return moved.Covers(x, y) ? moved.Sample(CHECKER, x, y) : frame; },
        Filled({0, 0, 0}));
    ExpectImagesNear(ReadFrame(), expected, 0, "shifted");
}

// A width x height texture whose texel at column c, row r is colour(c, r).
Texture MakeTexture(int width, int height, const std::function<Rgb(int c, int r)>& colour) {
    Texture texture{width, height, {}};
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) texture.texels.push_back(colour(c, r));
    return texture;
}

TEST_F(PanelDraw, MaskedSpriteClearsUnderTheMaskAndAddsTexture35) {
    // The panel names texture 7 and has six cells; only its first cell is used,
    // with the mask of slot 36 and the sprite of slot 35. The first cell spans
    // 2 x 2 texels of both pictures.
    const Texture mask = MakeTexture(6, 4, [](int c, int r) {
        return (c + r) % 2 ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
    });
    const Texture sprite = MakeTexture(6, 4, [](int c, int r) { return Rgb{30 + 40 * c, 20 + 50 * r, 100}; });
    PutTexture(SPRITE_MASK_TEXTURE, mask);
    PutTexture(SPRITE_TEXTURE, sprite);
    PutTexture(7, CHECKER);
    const Quad whole = {-0.6f, -0.4f, 0.3f, 0.8f, 0.0f, 0.0f, 1.0f, 1.0f};
    BuildPanel(35, whole, 4, 3, 7);
    const float dx = 0.35f, dy = -0.3f;
    // The first cell: a third of the width, half of the height, shifted.
    const Quad cell = {-0.6f + dx, -0.4f + dy, -0.3f + dx, 0.2f + dy, 0.0f, 0.0f, 1.0f / 3.0f, 0.5f};
    DrawBackdrop();
    DrawMaskedSprite(35, dx, dy);
    Image expected = Expected(
        [&](float x, float y, Rgb frame) {
            if (!cell.Covers(x, y)) return frame;
            Rgb m = cell.Sample(mask, x, y);
            Rgb kept = {frame.r * m.r / 255, frame.g * m.g / 255, frame.b * m.b / 255};
            return Add(kept, cell.Sample(sprite, x, y), 1.0f);
        },
        ExpectedBackdrop());
    ExpectImagesNear(ReadFrame(), expected, 1, "masked sprite");
}

TEST_F(PanelDraw, FadeOverlayMultipliesTheFrameByTheLevel) {
    for (float level : {0.0f, 0.25f, 0.5f, 0.999f, -3.0f}) {
        Reset();
        DrawBackdrop();
        DrawFadeOverlay(level);
        float factor = std::max(level, 0.0f);
        Image expected = Expected(
            [&](float, float, Rgb frame) {
                auto scale = [&](int c) { return static_cast<int>(std::lround(c * factor)); };
                return Rgb{scale(frame.r), scale(frame.g), scale(frame.b)};
            },
            ExpectedBackdrop());
        ExpectImagesNear(ReadFrame(), expected, 1, "fade to " + std::to_string(level));
    }
}

// A frame as data: its list drawn at once gives the pixels of its calls drawn one
// by one, and lists differ exactly where one argument does.
TEST_F(PanelDraw, AFramesCallsDrawAsTheyWouldOneByOne) {
    PutTexture(7, CHECKER);
    BuildPanel(7, INNER);
    PutTexture(SPRITE_TEXTURE, CHECKER);
    PutTexture(SPRITE_MASK_TEXTURE, BACKDROP_TEXTURE);
    PutTexture(FADE_TEXTURE, CHECKER);
    BuildPanel(9, INNER, 2, 2, SPRITE_TEXTURE);
    DrawBackdrop();   // builds the backdrop panel
    auto frameCalls = [](float brightness) {
        DrawList calls;
        calls.Add(ClearCall(0.1f, 0.2f, 0.3f, 0.0f));
        calls.Add(PanelCall(BACKDROP, 1.0f, false));
        calls.Add(ShiftedPanelCall(7, 0.1f, -0.2f, brightness, true));
        calls.Add(SpriteCall(9, -0.3f, 0.1f));
        calls.Add(FadeCall(0.75f));
        return calls;
    };
    DrawList frame = frameCalls(0.5f);
    for (const DrawCall& call : frame) Draw(*scene_, call);
    Image oneByOne = ReadFrame();

    Clear({0, 0, 0});
    DrawFrameCalls(*scene_, frame);
    ExpectImagesNear(ReadFrame(), oneByOne, 0, "the list drawn at once");

    EXPECT_TRUE(frame == frameCalls(0.5f));
    EXPECT_FALSE(frame == frameCalls(0.25f)) << "one argument changed";
    DrawList shorter = frame;
    --shorter.count;
    EXPECT_FALSE(frame == shorter) << "one call fewer";
    DrawFrameCalls(*scene_, frameCalls(0.25f));
    EXPECT_NE(ReadFrame().bytes, oneByOne.bytes) << "the changed argument changes the frame";
}

// Before each call that must make no GL call, every value a mode would set is
// given a value no mode would leave behind.
void SetUnusualGlState(GLuint texture) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.1f, 0.2f, 0.3f);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2, 3, -4, 5, -6, 7);
    glMatrixMode(GL_TEXTURE);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE_MINUS_DST_COLOR, GL_DST_ALPHA);
    glDepthFunc(GL_GREATER);
    glDepthMask(GL_TRUE);
    glEnable(GL_CULL_FACE);
    glEnable(GL_LIGHTING);
    glColor4f(0.3f, 0.6f, 0.9f, 0.5f);
    glNormal3f(1, 2, 3);
    glTexCoord4f(0.25f, 0.5f, 0.75f, 2.0f);
}

TEST_F(PanelDraw, NothingToDrawMakesNoGlCall) {
    PutTexture(7, CHECKER);
    PutTexture(8, CHECKER);
    BuildPanel(7, FULL_SCREEN);
    DrawBackdrop();
    Image frame = ReadFrame();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* name;
        std::function<void()> call;
    } cases[] = {
        {"opaque at 0", [this] { DrawPanel(7, 0.0f, false); }},
        {"additive at 0", [this] { DrawPanel(7, 0.0f, true); }},
        {"additive at -0", [this] { DrawPanel(7, -0.0f, true); }},
        {"opaque below 0", [this] { DrawPanel(7, -1.0f, false); }},
        {"additive at NaN", [this, nan] { DrawPanel(7, nan, true); }},
        {"shifted at 0", [this] { DrawPanelShifted(7, 0.5f, 0.5f, 0.0f, true); }},
        {"shifted below 0", [this] { DrawPanelShifted(7, 0.5f, 0.5f, -0.25f, false); }},
        {"fade at 1", [this] { DrawFadeOverlay(1.0f); }},
        {"fade above 1", [this] { DrawFadeOverlay(5.0f); }},
        {"fade at NaN", [this, nan] { DrawFadeOverlay(nan); }},
    };
    for (const auto& c : cases) {
        SetUnusualGlState(names.back());
        GlSnapshot before = TakeGlSnapshot();
        c.call();
        ExpectSameGlState(before, TakeGlSnapshot(), c.name);
        ExpectImagesNear(ReadFrame(), frame, 0, c.name);
    }
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_LIGHTING);
}

TEST_F(PanelDraw, PanelModesLeaveTheirCameraAndState) {
    PutTexture(7, CHECKER);
    PutTexture(SPRITE_TEXTURE, CHECKER);
    PutTexture(SPRITE_MASK_TEXTURE, CHECKER);
    PutTexture(8, CHECKER);   // bound before each call
    BuildPanel(7, INNER);
    const struct {
        const char* name;
        std::function<void()> call;
        GLuint texture;
        GLenum environment;
        float colour;
    } cases[] = {
        {"opaque", [this] { DrawPanel(7, 0.5f, false); }, 0, GL_REPLACE, 0.5f},
        {"additive", [this] { DrawPanel(7, 3.0f, true); }, 0, GL_MODULATE, 0.8f},
        {"shifted", [this] { DrawPanelShifted(7, 0.1f, 0.1f, 0.25f, true); }, 0, GL_MODULATE, 0.25f},
        {"sprite", [this] { DrawMaskedSprite(7, 0.1f, 0.1f); }, 1, GL_MODULATE, 1.0f},
    };
    for (const auto& c : cases) {
        SetUnusualGlState(names[3]);
        glDepthFunc(GL_LESS);   // the depth function the frame clear leaves
        c.call();
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GetEnum(GL_MATRIX_MODE), static_cast<GLenum>(GL_PROJECTION));
        ExpectMatrixNear(GetMatrix(GL_MODELVIEW_MATRIX), IDENTITY, "model-view");
        ExpectMatrixNear(GetMatrix(GL_PROJECTION_MATRIX), Perspective90(1000.0), "projection");
        EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_EQ(GetEnum(GL_DEPTH_FUNC), static_cast<GLenum>(GL_LEQUAL));
        EXPECT_EQ(GetEnum(GL_DEPTH_WRITEMASK), static_cast<GLenum>(GL_FALSE));
        EXPECT_EQ(GetEnum(GL_TEXTURE_BINDING_2D), names[c.texture]);
        GLint environment = 0;
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &environment);
        EXPECT_EQ(static_cast<GLenum>(environment), c.environment);
        GLfloat colour[4] = {};
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_FLOAT_EQ(colour[0], c.colour);
        EXPECT_FLOAT_EQ(colour[3], 1.0f);
        if (c.environment == GL_MODULATE) {
            // The last blend factors of the mode: the additive ones.
            EXPECT_EQ(GetEnum(GL_BLEND_SRC), static_cast<GLenum>(GL_SRC_ALPHA));
            EXPECT_EQ(GetEnum(GL_BLEND_DST), static_cast<GLenum>(GL_SRC_ALPHA));
        }
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    glDisable(GL_LIGHTING);
}

TEST_F(PanelDraw, PanelsWriteNoDepth) {
    PutTexture(7, CHECKER);
    BuildPanel(7, FULL_SCREEN);
    for (bool additive : {false, true}) {
        Clear({0, 0, 0});
        DrawPanel(7, 1.0f, additive);
        DrawMaskedSprite(7, 0.0f, 0.0f);
        float depth = 0.0f;
        glReadPixels(WIDTH / 2, HEIGHT / 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        EXPECT_EQ(depth, 1.0f) << (additive ? "additive" : "opaque");
    }
}

TEST_F(PanelDraw, FadeOverlayRestoresWhatItPushed) {
    PutTexture(7, CHECKER);
    PutTexture(FADE_TEXTURE, CHECKER);
    BuildPanel(7, INNER);
    DrawPanel(7, 1.0f, true);   // the fade follows panel draws in the show
    glEnable(GL_CULL_FACE);
    glEnable(GL_LIGHTING);
    glDepthMask(GL_TRUE);
    GlSnapshot before = TakeGlSnapshot();
    DrawFadeOverlay(0.5f);
    GlSnapshot after = TakeGlSnapshot();
    // Restored: projection, texturing, depth and lighting state, the texture
    // binding and environment.
    for (const char* restored : {"projection", "texturing", "depth test", "depth function", "depth writes",
                                 "lighting", "texture binding", "texture environment", "model-view",
                                 "projection depth", "attribute depth"})
        for (size_t i = 0; i < before.values.size(); ++i) {
            if (before.values[i].first.rfind(std::string(restored) + "[", 0) == 0) {
                EXPECT_EQ(before.values[i].second, after.values[i].second) << before.values[i].first;
            }
        }
    EXPECT_EQ(GetEnum(GL_MATRIX_MODE), static_cast<GLenum>(GL_MODELVIEW));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(GetEnum(GL_BLEND_SRC), static_cast<GLenum>(GL_ZERO));
    EXPECT_EQ(GetEnum(GL_BLEND_DST), static_cast<GLenum>(GL_SRC_COLOR));
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (float channel : colour) EXPECT_FLOAT_EQ(channel, 0.5f);
    glDisable(GL_LIGHTING);
}

TEST_F(PanelDraw, LoadSceneBuildsTheTablesWithoutPictures) {
    // An empty working folder: every picture is missing, start-up goes on.
    std::filesystem::path folder = std::filesystem::temp_directory_path() / ("panel-no-data-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    OwnedScene loaded(LoadScene());
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(folder);
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(IsBuiltPanel(loaded->panels[0]));
    EXPECT_TRUE(IsBuiltPanel(loaded->panels[61]));
    EXPECT_FALSE(IsBuiltPanel(loaded->panels[19]));
    EXPECT_FALSE(IsBuiltPanel(loaded->panels[62]));
    for (int i = 0; i < TEXTURE_SLOTS; ++i) EXPECT_EQ(loaded->textures[i].glName, 0u) << "slot " << i;
    // A panel whose picture failed still draws, with GL's default texture.
    Draw(*loaded, PanelCall(0, 1.0f, false));
    Draw(*loaded, SpriteCall(35, 0.0f, 0.0f));
    Draw(*loaded, FadeCall(0.5f));
}

}  // namespace
