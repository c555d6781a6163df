// BMP pictures into 24-bit RGB images.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Rows bottom row first, each pixel red, green, blue, no fill between rows.
// Record and pixel buffer are separate malloc blocks, released by the holder
// (FreeRgbImage releases both).
struct RgbImage {
    int32_t width;
    int32_t height;
    uint8_t* pixels;
};

// Reads one BMP file; null after exactly one message (platform ShowMessage, no icon).
// The one call of this header outside the bmp_decode library: it is the image library's.
RgbImage* LoadBmpImage(const char* path);

void FreeRgbImage(RgbImage* image);

// Why a load failed, finer than the four messages the user sees (BmpMessage).
enum class BmpStatus {
    OK,
    CANNOT_OPEN,      // missing, unreadable, empty or not a regular file
    UNKNOWN_HEADER,   // header size neither 12 nor 40
    TRUNCATED,        // the bytes end before the headers, colour table or pixel data do
    BAD_SIZE,         // width 0 or below, height 0
    TOO_LARGE,        // over BMP_MAX_SIDE or BMP_MAX_PIXEL_BYTES
    UNSUPPORTED,      // bits per pixel and compression that no rule decodes
    OUT_OF_MEMORY,
};

// Claims beyond these are refused before anything of their size is allocated.
constexpr int32_t BMP_MAX_SIDE = 16384;
constexpr size_t BMP_MAX_PIXEL_BYTES = size_t{256} << 20;

// Room for the open-failure text; a longer path is cut to fit.
constexpr size_t BMP_MESSAGE_SIZE = 1024;

// The user's message for a failed load: "Failed to open DIB file <path>.\n",
// "Unknown DIB file format.", "Out of memory." or "Image file conversion error.".
void FormatBmpMessage(BmpStatus status, const char* path, char (&text)[BMP_MESSAGE_SIZE]);
// The message of a failed load, shown as LoadBmpImage shows it; nothing for OK.
void ShowBmpMessage(BmpStatus status, const char* path);

// Header facts as far as the bytes hold them, for reports about a file.
struct BmpFacts {
    bool fileHeader;       // starts with "BM"
    bool fieldsRead;       // size, bits and compression below were there to read
    uint32_t headerSize;   // 12 core, 40 info, anything else is refused
    int32_t width;
    int32_t height;        // below 0: rows stored top-down
    uint16_t bitsPerPixel;
    uint32_t compression;  // 0 none, 1 RLE8, 2 RLE4, 3 bit-field masks
    uint16_t colourCount;  // CountPaletteColours
};

BmpFacts ReadBmpFacts(std::span<const uint8_t> file);

// Colour-table entries of the header that follows the optional file header:
// a non-zero colours-used field counts with its low 16 bits, otherwise 1, 4
// and 8 bits give 2, 16 and 256 and other depths none.
uint16_t CountPaletteColours(std::span<const uint8_t> header);

// Decodes a whole BMP file held in memory, without any message. On OK *image
// holds a new picture with a positive height; otherwise it is null.
BmpStatus DecodeBmp(std::span<const uint8_t> file, RgbImage** image);

// Opens a file by its path on this system and decodes it, without any message.
BmpStatus ReadBmpFile(const char* nativePath, RgbImage** image);
