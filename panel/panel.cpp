// The panel table: grids of vertices, the show's placements built into it, the scene start-up.
#include "panel/panel.h"

#include "image/texture.h"
#include "panel/scene_table.h"

#include <limits>
#include <new>

PanelVertex StoreRestPosition(PanelVertex vertex) {
    vertex.restX = vertex.x;
    vertex.restY = vertex.y;
    vertex.restZ = vertex.z;
    return vertex;
}

void BuildPanelGrid(Panel* panel, float xStart, float yStart, float xEnd, float yEnd, float z, float uStart,
                    float vStart, float uEnd, float vEnd, int32_t columns, int32_t rows, int32_t texture,
                    PanelVertexHook hook) {
    if (!panel) return;
    *panel = Panel{};
    // One row or column would divide zero by zero; the texture number indexes the table.
    if (columns < 2 || rows < 2 || texture < 0 || texture >= TEXTURE_SLOTS) return;
    int64_t count = static_cast<int64_t>(columns) * rows;
    if (count > std::numeric_limits<int32_t>::max()) return;
    PanelVertex* vertices = new (std::nothrow) PanelVertex[count];
    if (!vertices) return;

    panel->texture = texture;
    panel->columns = columns;
    panel->rows = rows;
    panel->vertexCount = static_cast<int32_t>(count);
    panel->vertices = vertices;
    panel->hook = hook;

    // Single precision throughout, the divisors converted first: the grid is
    // defined by this float arithmetic, so a far corner may sit an ulp off its
    // stated value, the same on every machine.
    PanelVertex* vertex = vertices;
    for (int32_t i = 0; i < rows; ++i) {
        float s = static_cast<float>(i) / static_cast<float>(rows - 1);
        for (int32_t j = 0; j < columns; ++j, ++vertex) {
            float t = static_cast<float>(j) / static_cast<float>(columns - 1);
            vertex->x = xStart + t * (xEnd - xStart);
            vertex->y = yStart + s * (yEnd - yStart);
            vertex->z = z;
            vertex->u = uStart + t * (uEnd - uStart);
            vertex->v = vStart + s * (vEnd - vStart);
            vertex->spare = 0.0f;
            // What the stored hook would write, so no field of a built panel is undefined.
            vertex->restX = vertex->x;
            vertex->restY = vertex->y;
            vertex->restZ = vertex->z;
        }
    }
}

bool IsBuiltPanel(const Panel& panel) {
    return panel.vertices && panel.columns >= 2 && panel.rows >= 2 &&
           static_cast<int64_t>(panel.columns) * panel.rows == panel.vertexCount && panel.texture >= 0 &&
           panel.texture < TEXTURE_SLOTS;
}

void FreePanelGrid(Panel* panel) {
    if (!panel) return;
    delete[] panel->vertices;
    *panel = Panel{};
}

static_assert(SCENE_PICTURES.back().number < PANEL_SLOTS && SCENE_PICTURES.back().number < TEXTURE_SLOTS,
              "every picture needs a panel and a texture slot");

void BuildScenePanels(Panel* table) {
    for (const ScenePicture& picture : SCENE_PICTURES) {
        const PanelPlacement& p = picture.placement;
        BuildPanelGrid(&table[picture.number], p.xStart, p.yStart, p.xEnd, p.yEnd, PANEL_Z, p.uStart, p.vStart,
                       p.uEnd, p.vEnd, 2, 2, picture.number, StoreRestPosition);
    }
}

Scene* LoadScene() {
    // Value-initialised: slots whose picture fails to load keep glName 0, and
    // panels never built stay recognisably unbuilt.
    Scene* scene = new (std::nothrow) Scene{};
    if (!scene) return nullptr;
    LoadSceneTextures(scene->textures.data());
    BuildScenePanels(scene->panels.data());
    return scene;
}

void FreeScene(Scene* scene) {
    if (!scene) return;
    for (Panel& panel : scene->panels) FreePanelGrid(&panel);
    FreeTextures(scene->textures.data());
    delete scene;
}
