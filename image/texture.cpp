// The texture table: every picture of the show uploaded once at start-up.
#include "image/texture.h"

#include "image/bmp.h"
#include "panel/scene_table.h"
#include "platform/files.h"
#include "platform/data_folder.h"
#include "platform/gl_api.h"
#include "platform/platform.h"


#include <algorithm>
#include <array>
#include <bit>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// A picture read from its file, not yet uploaded or reported.
struct DecodedPicture {
    bool found = false;   // the file could be opened
    BmpStatus status = BmpStatus::CANNOT_OPEN;
    RgbImage* image = nullptr;
};

DecodedPicture DecodePicture(const char* fileName) {
    const std::string native = NativePath(fileName);
    DecodedPicture picture;
    // The existence test comes first so that a missing picture is named by the
    // table's own message before the loader reports it.
    std::FILE* probe = OpenRegularFileStream(native.c_str());
    picture.found = probe != nullptr;
    picture.status = ReadBmpFile(native.c_str(), &picture.image);
    if (probe) std::fclose(probe);
    return picture;
}

// The messages of a picture, in the order the program has always shown them,
// then its upload. The image is released.
void UploadPicture(const char* fileName, DecodedPicture& picture, TextureSlot* slot) {
    if (!picture.found) {
        char text[256];
        std::snprintf(text, sizeof text, "texture %s not found!", fileName);
        ShowErrorMessage(text);
    }
    ShowBmpMessage(picture.status, fileName);
    RgbImage* image = picture.image;
    picture.image = nullptr;
    if (!image) return;

    glGenTextures(1, &slot->glName);
    glBindTexture(GL_TEXTURE_2D, slot->glName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    // Rows are tightly packed, whatever the width.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    slot->lit = ALL_TILES_LIT;
    if (PLATFORM_TEXTURES_START_BLACK) {
        slot->lit = FindLitTiles(*image);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, image->width, image->height, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        UploadLitRows(*image, slot->lit);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, image->width, image->height, 0, GL_RGB, GL_UNSIGNED_BYTE, image->pixels);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    FreeRgbImage(image);
}

void FillSlotAttributes(TextureSlot* slot, float attribute) {
    slot->attribute0 = 0;
    slot->attribute1 = attribute;
    slot->attribute2 = 0;
    slot->attribute3 = 1;
    slot->attribute4 = 0;
}

// The scene's pictures decoded ahead on a thread of their own, in table order,
// at most PREFETCH_BYTES of pixels ahead of the uploads, so a larger data folder
// does not hold all its pictures in memory at once.
constexpr size_t PREFETCH_BYTES = size_t{64} << 20;

struct Prefetch {
    std::mutex lock;
    std::condition_variable changed;
    std::array<DecodedPicture, SCENE_PICTURE_COUNT> pictures;
    int decoded = 0;         // pictures[0 .. decoded) are ready
    size_t bytesAhead = 0;   // pixels decoded and not yet taken
    bool cancelled = false;
    std::thread worker;
    bool started = false;
};

Prefetch ScenePrefetch;

size_t PixelBytes(const DecodedPicture& picture) {
    return picture.image ? static_cast<size_t>(picture.image->width) * picture.image->height * 3 : 0;
}

void DecodeAhead() {
    Prefetch& prefetch = ScenePrefetch;
    for (int i = 0; i < SCENE_PICTURE_COUNT; ++i) {
        {
            std::unique_lock<std::mutex> hold(prefetch.lock);
            prefetch.changed.wait(hold, [&] { return prefetch.bytesAhead < PREFETCH_BYTES || prefetch.cancelled; });
            if (prefetch.cancelled) return;
        }
        DecodedPicture picture = DecodePicture(SCENE_PICTURES[i].path);
        std::lock_guard<std::mutex> hold(prefetch.lock);
        prefetch.bytesAhead += PixelBytes(picture);
        prefetch.pictures[i] = picture;
        prefetch.decoded = i + 1;
        prefetch.changed.notify_all();
    }
}

DecodedPicture TakePrefetched(int index) {
    Prefetch& prefetch = ScenePrefetch;
    std::unique_lock<std::mutex> hold(prefetch.lock);
    prefetch.changed.wait(hold, [&] { return prefetch.decoded > index; });
    DecodedPicture picture = prefetch.pictures[index];
    prefetch.pictures[index] = {};
    prefetch.bytesAhead -= PixelBytes(picture);
    prefetch.changed.notify_all();
    return picture;
}

}  // namespace

void LoadTexture(const char* fileName, TextureSlot* slot) {
    DecodedPicture picture = DecodePicture(fileName);
    UploadPicture(fileName, picture, slot);
}

static void InitTextureSlot(TextureSlot* slot, const char* fileName, float attribute) {
    LoadTexture(fileName, slot);
    FillSlotAttributes(slot, attribute);
}

void StopScenePrefetch() {
    Prefetch& prefetch = ScenePrefetch;
    if (!prefetch.worker.joinable()) return;
    {
        std::lock_guard<std::mutex> hold(prefetch.lock);
        prefetch.cancelled = true;
        prefetch.changed.notify_all();
    }
    prefetch.worker.join();
    for (DecodedPicture& picture : prefetch.pictures) {
        FreeRgbImage(picture.image);
        picture = {};
    }
    prefetch.started = false;
}


void PrefetchScenePictures() {
    if (!PLATFORM_HAS_THREADS || ScenePrefetch.started) return;
    ScenePrefetch.started = true;
    ScenePrefetch.cancelled = false;
    ScenePrefetch.decoded = 0;
    ScenePrefetch.worker = std::thread(DecodeAhead);
    static bool stopAtExit = std::atexit(StopScenePrefetch) == 0;
    (void)stopAtExit;
}

void LoadSceneTextures(TextureSlot* table) {
    if (!ScenePrefetch.started) {
        for (const ScenePicture& picture : SCENE_PICTURES)
            InitTextureSlot(&table[picture.number], picture.path, 1.0f);
        return;
    }
    for (int i = 0; i < SCENE_PICTURE_COUNT; ++i) {
        const ScenePicture& scene = SCENE_PICTURES[i];
        TextureSlot* slot = &table[scene.number];
        DecodedPicture picture = TakePrefetched(i);
        UploadPicture(scene.path, picture, slot);
        FillSlotAttributes(slot, 1.0f);
    }
    ScenePrefetch.worker.join();
    ScenePrefetch.started = false;
}

namespace {

// For each of `size` columns (or rows), the tiles that take it in: tile t covers texels
// t * size / TEXTURE_TILES up to (t + 1) * size / TEXTURE_TILES, and one more each side,
// wrapping round; a tile that would reach round the whole picture takes in all of it.
std::vector<uint16_t> TilesTakingIn(int32_t size) {
    std::vector<uint16_t> tiles(static_cast<size_t>(size), 0);
    auto firstTexel = [size](int32_t tile) { return static_cast<int32_t>(int64_t{tile} * size / TEXTURE_TILES) - 1; };
    for (int32_t t = 0; t < TEXTURE_TILES; ++t) {
        int32_t first = std::max(firstTexel(t), -1);
        int32_t last = std::min(firstTexel(t + 1) + 1, size);
        if (last - first + 1 > size) first = 0, last = size - 1;
        for (int32_t i = first; i <= last; ++i) tiles[static_cast<size_t>((i + size) % size)] |= static_cast<uint16_t>(1u << t);
    }
    return tiles;
}

}  // namespace

// One pass over the bytes, eight at a time: the pictures are mostly black.
LitTiles FindLitTiles(const RgbImage& image) {
    LitTiles lit;
    if (image.width <= 0 || image.height <= 0 || !image.pixels) return lit;
    const std::vector<uint16_t> columns = TilesTakingIn(image.width), rows = TilesTakingIn(image.height);
    const size_t rowBytes = static_cast<size_t>(image.width) * 3;
    for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* row = image.pixels + static_cast<size_t>(y) * rowBytes;
        uint32_t litColumns = 0;
        size_t i = 0;
        for (; i + 8 <= rowBytes; i += 8) {
            uint64_t word;
            std::memcpy(&word, row + i, sizeof word);
            if (word == 0) continue;
            for (size_t b = i; b < i + 8; ++b)
                if (row[b]) litColumns |= columns[b / 3];
        }
        for (; i < rowBytes; ++i)
            if (row[i]) litColumns |= columns[i / 3];
        if (litColumns == 0) continue;
        for (uint32_t tileRows = rows[static_cast<size_t>(y)]; tileRows; tileRows &= tileRows - 1)
            lit.rows[std::countr_zero(tileRows)] |= static_cast<uint16_t>(litColumns);
    }
    return lit;
}

// Every texel that is not black lies in a lit tile.
void UploadLitRows(const RgbImage& image, const LitTiles& lit) {
    glPixelStorei(GL_UNPACK_ROW_LENGTH, image.width);
    for (int32_t y = 0; y < TEXTURE_TILES; ++y) {
        uint32_t row = lit.rows[y];
        if (row == 0) continue;
        int32_t first = std::countr_zero(row), end = std::bit_width(row);
        int32_t left = first * image.width / TEXTURE_TILES, right = end * image.width / TEXTURE_TILES;
        int32_t top = y * image.height / TEXTURE_TILES, bottom = (y + 1) * image.height / TEXTURE_TILES;
        if (right <= left || bottom <= top) continue;
        glTexSubImage2D(GL_TEXTURE_2D, 0, left, top, right - left, bottom - top, GL_RGB, GL_UNSIGNED_BYTE,
                        image.pixels + (static_cast<size_t>(top) * image.width + left) * 3);
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

void FreeTextures(TextureSlot* table) {
    for (int i = 0; i < TEXTURE_SLOTS; ++i) {
        if (table[i].glName) glDeleteTextures(1, &table[i].glName);
        table[i] = TextureSlot{};
    }
}
