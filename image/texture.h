// The texture table: every picture of the show as a GL texture under a fixed number.
#pragma once

#include "image/bmp.h"

#include <array>
#include <cstdint>

constexpr int TEXTURE_SLOTS = 1024;

// Which tiles of a picture hold a texel other than black, on a grid of TEXTURE_TILES x
// TEXTURE_TILES over its texture coordinates: drawn additively, a black texel adds nothing,
// so a drawing may leave out the dark tiles. Each tile counts the texels one beyond its
// edges (wrapping round, as the texture repeats), which a sample at its edge may reach.
constexpr int32_t TEXTURE_TILES = 16;
struct LitTiles {
    std::array<uint16_t, TEXTURE_TILES> rows{};   // bit x of rows[y]: tile (x, y) is lit

    bool Lit(int32_t x, int32_t y) const { return (rows[y] >> x) & 1; }
};
// What a slot holds where nothing looked: every tile may be lit.
inline constexpr LitTiles ALL_TILES_LIT = [] {
    LitTiles all;
    all.rows.fill(0xFFFF);
    return all;
}();
LitTiles FindLitTiles(const RgbImage& image);
// Into the bound texture, black and of the image's size, the image's rows of tiles from
// the first lit tile to the last: the texture then holds the whole image. Expects an
// unpack alignment of 1.
void UploadLitRows(const RgbImage& image, const LitTiles& lit);

struct TextureSlot {
    uint32_t glName;        // 0 when the slot's picture did not load
    int32_t attribute0;
    float attribute1;
    int32_t attribute2;
    int32_t attribute3;
    int32_t attribute4;
    // Found at upload where they are read (the browser's uploads and drawing); elsewhere
    // ALL_TILES_LIT, sparing the desktop's start-up a pass over every picture.
    LitTiles lit;
};

void LoadTexture(const char* fileName, TextureSlot* slot);

// Starts decoding the pictures of SCENE_PICTURES on a thread of its own, so
// that they are read while the window is being made. Nothing is shown or
// uploaded until LoadSceneTextures, which reports them as it always has.
void PrefetchScenePictures();
// Stops the decoding started ahead and drops what it made, for a start-up that
// fails before the scene is built (also at exit).
void StopScenePrefetch();

// The texture half of the scene build: every picture of SCENE_PICTURES into
// `table` (TEXTURE_SLOTS slots), in order, each with its messages (the
// prefetched ones when decoding was started).
void LoadSceneTextures(TextureSlot* table);
// Deletes the textures of the table's slots (in the GL context they were made in).
void FreeTextures(TextureSlot* table);
