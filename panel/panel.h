// Panels: flat textured grids at z = -1 before a fixed camera, and the table of them.
#pragma once

#include <array>
#include <cstdint>

constexpr int PANEL_SLOTS = 1024;

struct PanelVertex {
    float x, y, z;
    float restX, restY, restZ;
    float u, v;
    float spare;
};

using PanelVertexHook = PanelVertex (*)(PanelVertex vertex);

struct Panel {
    int32_t columns;
    int32_t rows;
    int32_t vertexCount;
    PanelVertex* vertices;   // owned; rows of `columns` vertices
    int32_t texture;
    PanelVertexHook hook;
};

// PANEL_SLOTS panels, created by InitScene; null before.
extern Panel* PanelTable;

PanelVertex StoreRestPosition(PanelVertex vertex);

// Fills `panel` with a columns x rows grid from corner (xStart, yStart) with
// texture coordinates (uStart, vStart) to corner (xEnd, yEnd) with (uEnd, vEnd).
// The rest position is filled with the position; the hook is stored, not called.
// A grid of fewer than two columns or rows, a texture number outside the texture
// table or a vertex array that cannot be had leaves the panel unbuilt (all zero).
void BuildPanelGrid(Panel* panel, float xStart, float yStart, float xEnd, float yEnd, float z,
                    float uStart, float vStart, float uEnd, float vEnd, int32_t columns,
                    int32_t rows, int32_t texture, PanelVertexHook hook);

// True for a panel that BuildPanelGrid filled; a value-initialised one is not.
bool IsBuiltPanel(const Panel& panel);

// The program never frees a panel; tests and tools that build their own do,
// with this. The panel is left unbuilt.
void FreePanelGrid(Panel* panel);

// Where the panels first..last of the show lie on screen (x, y from -1 to 1)
// and which window of their pictures they show. Each is a 2 x 2 grid at
// z = -1 drawn with the texture of its own number.
struct PanelPlacement {
    int32_t first, last;
    float xStart, yStart, xEnd, yEnd;
    float uStart, vStart, uEnd, vEnd;
};

constexpr float PANEL_Z = -1.0f;

constexpr std::array<PanelPlacement, 14> SCENE_PANEL_PLACEMENTS = {{
    {0, 0, -1.0f, -1.0f, 0.6f, 1.0f, 0.0f, 0.0625f, 1.0f, 1.0f},
    {1, 1, -0.6f, -1.0f, 1.0f, 1.0f, 0.0f, 0.0625f, 1.0f, 1.0f},
    {2, 18, -0.15f, -1.35f, 0.7875f, 0.8f, 0.0f, 0.0f, 0.5859375f, 1.0f},
    {20, 22, -0.6f, -1.0f, 1.0f, 1.0f, 0.0f, 0.0625f, 1.0f, 1.0f},
    {30, 33, -0.6f, -1.0f, 1.0f, 1.0f, 0.0f, 0.0625f, 1.0f, 1.0f},
    {35, 36, 0.5f, 0.5f, 0.7f, 0.766f, 0.0f, 0.0f, 1.0f, 1.0f},
    {40, 40, 0.0f, -0.6f, 1.1f, 0.6f, 0.0f, 0.4f, 0.7f, 1.0f},
    {41, 41, -1.0f, -1.0f, 1.0f, -0.6f, 0.0f, 0.9f, 0.6f, 1.0f},
    {42, 42, -0.8f, -0.8f, 0.4f, -0.4f, 0.0f, 0.0f, 1.0f, 1.0f},
    {43, 43, -1.0f, 0.6f, 1.0f, 1.0f, 0.0f, 0.9f, 0.6f, 1.0f},
    {44, 44, -0.25f, -0.6f, 0.35f, -0.2f, 0.0f, 0.0f, 1.0f, 1.0f},
    {50, 52, -1.0f, -0.5f, 1.0f, 0.5f, 0.0f, 0.0f, 1.0f, 1.0f},
    {53, 55, -0.3f, -0.08f, 0.3f, 0.08f, 0.0f, 0.0f, 1.0f, 1.0f},
    {60, 61, -1.0f, -1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f},
}};

// The placement of a panel of the show; null for a number the show never builds.
const PanelPlacement* FindPanelPlacement(int32_t panel);

// How many screen pixels one texel of a width x height picture covers when the
// placement is drawn on a screen of the given size. Infinite when the picture or
// the texture window is empty.
struct TexelScale {
    double x, y;
};
TexelScale ScreenPixelsPerTexel(const PanelPlacement& placement, int32_t pictureWidth, int32_t pictureHeight,
                                int32_t screenWidth = 640, int32_t screenHeight = 480);

// Within this fraction of one pixel per texel, a picture shows without visible
// stretching or loss.
constexpr double ONE_TO_ONE_TOLERANCE = 0.1;
bool IsNearlyOneToOne(TexelScale scale);

// The panel half of the scene build: the 41 panels of the show.
void BuildScenePanels();

// Creates TextureTable and PanelTable, then BuildScene. Needs a current GL context.
bool InitScene();
// LoadSceneTextures, then BuildScenePanels; returns 1.
int BuildScene();
