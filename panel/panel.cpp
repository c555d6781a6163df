// Placeholder until the panel table lands.
#include "panel/panel.h"

#include "image/texture.h"

Panel* PanelTable;

PanelVertex StoreRestPosition(PanelVertex vertex) { return vertex; }
void BuildPanelGrid(Panel*, float, float, float, float, float, float, float, float, float, int32_t, int32_t,
                    int32_t, PanelVertexHook) {}
void BuildScenePanels() {}

bool InitScene() {
    TextureTable = new TextureSlot[1024]{};
    PanelTable = new Panel[1024]{};
    return BuildScene() != 0;
}

int BuildScene() {
    LoadSceneTextures();
    BuildScenePanels();
    return 1;
}
