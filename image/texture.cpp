// The texture table: every picture of the show uploaded once at start-up.
#include "image/texture.h"

#include "image/bmp.h"
#include "image/scene_files.h"
#include "platform/files.h"
#include "platform/platform.h"

#include <GL/gl.h>
#include <cstdio>

TextureSlot* TextureTable;

void LoadTexture(const char* fileName, TextureSlot* slot) {
    // The existence test comes first so that a missing picture is named by the
    // table's own message before the loader reports it.
    std::FILE* probe = OpenRegularFileStream(NativePath(fileName).c_str());
    if (!probe) {
        char text[256];
        std::snprintf(text, sizeof text, "texture %s not found!", fileName);
        ShowErrorMessage(text);
    }
    RgbImage* image = LoadBmpImage(fileName);
    if (probe) std::fclose(probe);
    if (!image) return;

    glGenTextures(1, &slot->glName);
    glBindTexture(GL_TEXTURE_2D, slot->glName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    // Rows are tightly packed, whatever the width.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, image->width, image->height, 0, GL_RGB, GL_UNSIGNED_BYTE, image->pixels);
    glPopClientAttrib();
    FreeRgbImage(image);
}

static void InitTextureSlot(TextureSlot* slot, const char* fileName, float attribute) {
    LoadTexture(fileName, slot);
    slot->attribute0 = 0;
    slot->attribute1 = attribute;
    slot->attribute2 = 0;
    slot->attribute3 = 1;
    slot->attribute4 = 0;
}

void LoadSceneTextures() {
    if (!TextureTable) return;
    for (const ScenePicture& picture : SCENE_PICTURES)
        InitTextureSlot(&TextureTable[picture.number], picture.path, 1.0f);
}
