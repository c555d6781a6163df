// Placeholder until the texture table lands.
#include "image/texture.h"

TextureSlot* TextureTable;

void LoadTexture(const char*, TextureSlot*) {}
void InitTextureSlot(TextureSlot*, const char*, float) {}
void LoadSceneTextures() {}
