// The panel grids and the scene's panel table.
#include "image/texture.h"
#include "panel/draw.h"
#include "panel/panel.h"
#include "panel/scene_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <set>

namespace {

struct Corner {
    float x, y, u, v;
};

void ExpectVertex(const PanelVertex& vertex, Corner expected, float z, const char* what) {
    EXPECT_FLOAT_EQ(vertex.x, expected.x) << what;
    EXPECT_FLOAT_EQ(vertex.y, expected.y) << what;
    EXPECT_FLOAT_EQ(vertex.z, z) << what;
    EXPECT_FLOAT_EQ(vertex.u, expected.u) << what;
    EXPECT_FLOAT_EQ(vertex.v, expected.v) << what;
    EXPECT_EQ(vertex.spare, 0.0f) << what;
    EXPECT_EQ(vertex.restX, vertex.x) << what;
    EXPECT_EQ(vertex.restY, vertex.y) << what;
    EXPECT_EQ(vertex.restZ, vertex.z) << what;
}

TEST(PanelGrid, TwoByTwoHoldsItsCornersRowAfterRow) {
    Panel panel{};
    BuildPanelGrid(&panel, -0.5f, -0.25f, 0.75f, 0.5f, -1.0f, 0.1f, 0.2f, 0.9f, 0.8f, 2, 2, 7, StoreRestPosition);
    ASSERT_TRUE(IsBuiltPanel(panel));
    EXPECT_EQ(panel.columns, 2);
    EXPECT_EQ(panel.rows, 2);
    EXPECT_EQ(panel.vertexCount, 4);
    EXPECT_EQ(panel.texture, 7);
    EXPECT_EQ(panel.hook, &StoreRestPosition);
    // The start corner is stored exactly; the far one is reached by float arithmetic.
    EXPECT_EQ(panel.vertices[0].x, -0.5f);
    EXPECT_EQ(panel.vertices[0].v, 0.2f);
    ExpectVertex(panel.vertices[0], {-0.5f, -0.25f, 0.1f, 0.2f}, -1.0f, "start corner");
    ExpectVertex(panel.vertices[1], {0.75f, -0.25f, 0.9f, 0.2f}, -1.0f, "end x, start y");
    ExpectVertex(panel.vertices[2], {-0.5f, 0.5f, 0.1f, 0.8f}, -1.0f, "start x, end y");
    ExpectVertex(panel.vertices[3], {0.75f, 0.5f, 0.9f, 0.8f}, -1.0f, "end corner");
    FreePanelGrid(&panel);
    EXPECT_FALSE(IsBuiltPanel(panel));
}

TEST(PanelGrid, InnerVerticesAreEvenFractionsAndCornersAreNotSorted) {
    Panel panel{};
    // Three columns, three rows, corners given right-to-left and top-to-bottom.
    BuildPanelGrid(&panel, 1.0f, 0.5f, -1.0f, -0.5f, 2.0f, 1.0f, 1.0f, 0.0f, 0.0f, 3, 3, 0, StoreRestPosition);
    ASSERT_TRUE(IsBuiltPanel(panel));
    ASSERT_EQ(panel.vertexCount, 9);
    ExpectVertex(panel.vertices[0], {1.0f, 0.5f, 1.0f, 1.0f}, 2.0f, "first");
    ExpectVertex(panel.vertices[1], {0.0f, 0.5f, 0.5f, 1.0f}, 2.0f, "middle column");
    ExpectVertex(panel.vertices[3], {1.0f, 0.0f, 1.0f, 0.5f}, 2.0f, "middle row");
    ExpectVertex(panel.vertices[4], {0.0f, 0.0f, 0.5f, 0.5f}, 2.0f, "centre");
    ExpectVertex(panel.vertices[8], {-1.0f, -0.5f, 0.0f, 0.0f}, 2.0f, "last");
    FreePanelGrid(&panel);

    // A 3 x 2 grid: the middle column halfway between the corners.
    BuildPanelGrid(&panel, -0.15f, -1.35f, 0.7875f, 0.8f, -1.0f, 0.0f, 0.0f, 0.5859375f, 1.0f, 3, 2, 2,
                   StoreRestPosition);
    ASSERT_EQ(panel.vertexCount, 6);
    float middleX = -0.15f + 0.5f * (0.7875f - -0.15f);
    float middleU = 0.5f * 0.5859375f;
    ExpectVertex(panel.vertices[1], {middleX, -1.35f, middleU, 0.0f}, -1.0f, "3 x 2 middle, first row");
    ExpectVertex(panel.vertices[4], {middleX, 0.8f, middleU, 1.0f}, -1.0f, "3 x 2 middle, second row");
    FreePanelGrid(&panel);
}

TEST(PanelGrid, RejectsGridsItCannotBuild) {
    const struct {
        const char* name;
        int32_t columns, rows, texture;
    } cases[] = {
        {"one column", 1, 2, 0},
        {"one row", 2, 1, 0},
        {"no vertices", 0, 0, 0},
        {"negative columns", -3, 2, 0},
        {"negative rows times negative columns", -2, -2, 0},
        {"vertex count beyond 32 bits", 65536, 65536, 0},
        {"negative texture", 2, 2, -1},
        {"texture past the table", 2, 2, TEXTURE_SLOTS},
    };
    for (const auto& c : cases) {
        Panel panel;
        std::memset(&panel, 0x5A, sizeof panel);   // whatever was there before
        BuildPanelGrid(&panel, -1.0f, -1.0f, 1.0f, 1.0f, -1.0f, 0.0f, 0.0f, 1.0f, 1.0f, c.columns, c.rows,
                       c.texture, StoreRestPosition);
        EXPECT_FALSE(IsBuiltPanel(panel)) << c.name;
        EXPECT_EQ(panel.vertices, nullptr) << c.name;
        EXPECT_EQ(panel.vertexCount, 0) << c.name;
    }
    // Not a crash either.
    BuildPanelGrid(nullptr, 0, 0, 1, 1, -1, 0, 0, 1, 1, 2, 2, 0, StoreRestPosition);
}

TEST(PanelGrid, StoreRestPositionCopiesThePosition) {
    PanelVertex vertex{0.25f, -0.5f, -1.0f, 9.0f, 9.0f, 9.0f, 0.3f, 0.7f, 0.0f};
    PanelVertex stored = StoreRestPosition(vertex);
    EXPECT_EQ(stored.restX, 0.25f);
    EXPECT_EQ(stored.restY, -0.5f);
    EXPECT_EQ(stored.restZ, -1.0f);
    EXPECT_EQ(stored.x, 0.25f);
    EXPECT_EQ(stored.u, 0.3f);
    EXPECT_EQ(stored.v, 0.7f);
}

class SceneTable : public ::testing::Test {
protected:
    void SetUp() override { table_ = std::make_unique<Panel[]>(PANEL_SLOTS); }
    void TearDown() override {
        for (int i = 0; i < PANEL_SLOTS; ++i) FreePanelGrid(&table_[i]);
    }

    std::unique_ptr<Panel[]> table_;
};

TEST_F(SceneTable, BuildsOnePanelPerPictureWithThePicturesNumber) {
    BuildScenePanels(table_.get());
    std::set<int32_t> pictures;
    for (const ScenePicture& picture : SCENE_PICTURES) pictures.insert(picture.number);
    for (int32_t number = 0; number < PANEL_SLOTS; ++number) {
        const Panel& panel = table_[number];
        bool listed = pictures.count(number) == 1;
        ASSERT_EQ(IsBuiltPanel(panel), listed) << "panel " << number;
        EXPECT_EQ(FindPanelPlacement(number) != nullptr, listed) << "panel " << number;
        if (!listed) continue;
        EXPECT_EQ(panel.columns, 2);
        EXPECT_EQ(panel.rows, 2);
        EXPECT_EQ(panel.texture, number);
        EXPECT_EQ(panel.hook, &StoreRestPosition);
        const PanelPlacement& p = *FindPanelPlacement(number);
        ExpectVertex(panel.vertices[0], {p.xStart, p.yStart, p.uStart, p.vStart}, -1.0f, "first");
        ExpectVertex(panel.vertices[3], {p.xEnd, p.yEnd, p.uEnd, p.vEnd}, -1.0f, "last");
    }
}

TEST_F(SceneTable, PanelsLieWhereTheShowPutsThem) {
    BuildScenePanels(table_.get());
    // First and last vertex of panels from each kind of row of the table.
    const struct {
        int32_t panel;
        Corner first, last;
    } cases[] = {
        {0, {-1.0f, -1.0f, 0.0f, 0.0625f}, {0.6f, 1.0f, 1.0f, 1.0f}},
        {2, {-0.15f, -1.35f, 0.0f, 0.0f}, {0.7875f, 0.8f, 0.5859375f, 1.0f}},
        {18, {-0.15f, -1.35f, 0.0f, 0.0f}, {0.7875f, 0.8f, 0.5859375f, 1.0f}},
        {22, {-0.6f, -1.0f, 0.0f, 0.0625f}, {1.0f, 1.0f, 1.0f, 1.0f}},
        {36, {0.5f, 0.5f, 0.0f, 0.0f}, {0.7f, 0.766f, 1.0f, 1.0f}},
        {40, {0.0f, -0.6f, 0.0f, 0.4f}, {1.1f, 0.6f, 0.7f, 1.0f}},
        {43, {-1.0f, 0.6f, 0.0f, 0.9f}, {1.0f, 1.0f, 0.6f, 1.0f}},
        {44, {-0.25f, -0.6f, 0.0f, 0.0f}, {0.35f, -0.2f, 1.0f, 1.0f}},
        {55, {-0.3f, -0.08f, 0.0f, 0.0f}, {0.3f, 0.08f, 1.0f, 1.0f}},
        {61, {-1.0f, -1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f, 1.0f}},
    };
    for (const auto& c : cases) {
        const Panel& panel = table_[c.panel];
        ASSERT_TRUE(IsBuiltPanel(panel)) << c.panel;
        std::string name = "panel " + std::to_string(c.panel);
        ExpectVertex(panel.vertices[0], c.first, -1.0f, name.c_str());
        ExpectVertex(panel.vertices[3], c.last, -1.0f, name.c_str());
    }
    // Panel 2 in full.
    const PanelVertex* v = table_[2].vertices;
    ExpectVertex(v[0], {-0.15f, -1.35f, 0.0f, 0.0f}, -1.0f, "panel 2, 0");
    ExpectVertex(v[1], {0.7875f, -1.35f, 0.5859375f, 0.0f}, -1.0f, "panel 2, 1");
    ExpectVertex(v[2], {-0.15f, 0.8f, 0.0f, 1.0f}, -1.0f, "panel 2, 2");
    ExpectVertex(v[3], {0.7875f, 0.8f, 0.5859375f, 1.0f}, -1.0f, "panel 2, 3");
}

TEST(TexelScale, PixelsPerTexelAt640x480) {
    auto placement = [](int32_t panel) { return *FindPanelPlacement(panel); };
    const struct {
        const char* name;
        PanelPlacement placement;
        int32_t width, height;
        double x, y;
        bool oneToOne;
    } cases[] = {
        // 1.6 of 2 screen widths over a whole 512 picture; 480 rows over 15/16 of 512.
        {"left backdrop, 512 x 512", placement(0), 512, 512, 1.0, 1.0, true},
        {"left backdrop, 256 x 256", placement(0), 256, 256, 2.0, 2.0, false},
        // 300 pixels over 0.5859375 of 512 texels; 516 rows over 512.
        {"text page, 512 x 512", placement(2), 512, 512, 1.0, 516.0 / 512.0, true},
        {"pointer, 64 x 64", placement(35), 64, 64, 1.0, 0.266 * 240.0 / 64.0, true},
        {"pointer, 64 x 32", placement(35), 64, 32, 1.0, 0.266 * 240.0 / 32.0, false},
        {"logo head, 512 x 512", placement(40), 512, 512, 352.0 / 358.4, 288.0 / 307.2, true},
        {"credit name, 256 x 64", placement(53), 256, 64, 192.0 / 256.0, 19.2 * 2 / 64.0, false},
        {"reversed corners count the same",
         {1.0f, 1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 0.0f, 0.0f},
         640,
         480,
         1.0,
         1.0,
         true},
    };
    for (const auto& c : cases) {
        TexelScale scale = ScreenPixelsPerTexel(c.placement, c.width, c.height);
        EXPECT_NEAR(scale.x, c.x, 1e-5) << c.name;
        EXPECT_NEAR(scale.y, c.y, 1e-5) << c.name;
        EXPECT_EQ(IsNearlyOneToOne(scale), c.oneToOne) << c.name;
    }
    TexelScale doubled = ScreenPixelsPerTexel(placement(0), 512, 512, 1280, 960);
    EXPECT_NEAR(doubled.x, 2.0, 1e-5);
    EXPECT_NEAR(doubled.y, 2.0, 1e-5);
    TexelScale empty = ScreenPixelsPerTexel(placement(0), 0, 512);
    EXPECT_TRUE(std::isinf(empty.x));
    EXPECT_FALSE(IsNearlyOneToOne(empty));
}

TEST(PanelDrawingDeathTest, DrawingAPanelNeverBuiltIsCaught) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto scene = std::make_unique<Scene>();
    BuildPanelGrid(&scene->panels[3], -1, -1, 1, 1, -1, 0, 0, 1, 1, 2, 2, 3, StoreRestPosition);
    // Checked before any GL call, so no context is needed to see it.
    EXPECT_DEBUG_DEATH(Draw(*scene, PanelCall(19, 1.0f, false)), "never built");
    EXPECT_DEBUG_DEATH(Draw(*scene, ShiftedPanelCall(1023, 0.0f, 0.0f, 0.5f, true)), "never built");
    EXPECT_DEBUG_DEATH(Draw(*scene, PanelCall(-1, 1.0f, true)), "never built");
    EXPECT_DEBUG_DEATH(Draw(*scene, PanelCall(PANEL_SLOTS, 1.0f, true)), "never built");
    EXPECT_DEBUG_DEATH(Draw(*scene, SpriteCall(34, 0.0f, 0.0f)), "never built");
    FreePanelGrid(&scene->panels[3]);
    EXPECT_DEBUG_DEATH(Draw(*scene, PanelCall(3, 1.0f, false)), "never built");
}

}  // namespace
