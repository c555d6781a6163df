// Panels: flat textured grids at z = -1 before a fixed camera, and the table of them.
#pragma once

#include "image/texture.h"
#include "panel/placement.h"

#include <array>
#include <cstdint>
#include <memory>

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

// Frees the panel's grid and leaves it unbuilt.
void FreePanelGrid(Panel* panel);

// The panel half of the scene build: a panel for each picture of SCENE_PICTURES
// (panel/scene_table.h), where its row places it, into `table` (PANEL_SLOTS panels).
void BuildScenePanels(Panel* table);

// Everything the drawing calls draw with: the textures and panels under their
// numbers. Made at start-up and released by its owner; it does not change while
// a show runs.
struct Scene {
    std::array<TextureSlot, TEXTURE_SLOTS> textures;
    std::array<Panel, PANEL_SLOTS> panels;
};

// Loads every texture and builds every panel. Needs a current GL context. Null
// only when the scene's memory cannot be had: a picture that does not load
// leaves its slot empty.
Scene* LoadScene();
// Frees the panels and the textures (in the GL context the scene was loaded in).
void FreeScene(Scene* scene);

struct SceneRelease {
    void operator()(Scene* scene) const { FreeScene(scene); }
};
using OwnedScene = std::unique_ptr<Scene, SceneRelease>;
