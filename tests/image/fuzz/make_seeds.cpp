// Writes the fuzz target's seed corpus: one small valid file of every kind the
// decoder reads, into the folder named on the command line.
#include "tests/image/bmp_bytes.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::vector<uint32_t> Grey(int count) {
    std::vector<uint32_t> palette;
    for (int i = 0; i < count; ++i) palette.push_back(0x010101u * static_cast<uint32_t>(i * 255 / (count - 1)));
    return palette;
}

std::vector<uint8_t> Counting(size_t count) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    return bytes;
}

BmpPieces Piece(int32_t width, int32_t height, uint16_t bits, size_t bytes) {
    BmpPieces p;
    p.width = width, p.height = height, p.bitsPerPixel = bits;
    if (bits <= 8) p.palette = Grey(1 << bits);
    p.pixels = Counting(bytes);
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    std::vector<std::pair<std::string, BmpPieces>> seeds;
    seeds.push_back({"rgb24", Piece(3, 2, 24, 24)});
    seeds.push_back({"rgb32", Piece(2, 2, 32, 16)});
    seeds.push_back({"rgb16", Piece(3, 2, 16, 16)});
    seeds.push_back({"pal1", Piece(9, 2, 1, 8)});
    seeds.push_back({"pal4", Piece(5, 2, 4, 8)});
    seeds.push_back({"pal8", Piece(3, 2, 8, 8)});
    BmpPieces topDown = Piece(2, -2, 24, 16);
    seeds.push_back({"topdown", topDown});
    BmpPieces bare = Piece(2, 2, 8, 8);
    bare.fileHeader = false;
    bare.coloursUsed = 17;
    bare.palette = Grey(17);
    seeds.push_back({"bare17", bare});
    BmpPieces core = Piece(3, 2, 8, 8);
    core.headerSize = 12;
    seeds.push_back({"core8", core});
    BmpPieces core24 = Piece(2, 2, 24, 16);
    core24.headerSize = 12;
    core24.fileHeader = false;
    seeds.push_back({"core24", core24});
    BmpPieces fields16 = Piece(2, 2, 16, 8);
    fields16.compression = 3;
    fields16.masks = {0xF800, 0x07E0, 0x001F};
    seeds.push_back({"fields565", fields16});
    BmpPieces fields32 = Piece(2, 2, 32, 16);
    fields32.compression = 3;
    fields32.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};
    seeds.push_back({"fields101010", fields32});
    BmpPieces rle8 = Piece(4, 3, 8, 0);
    rle8.compression = 1;
    rle8.pixels = {2, 1, 0, 3, 2, 3, 0, 0, 0, 0, 0, 2, 1, 0, 1, 2, 0, 2, 0, 1, 2, 3, 0, 1};
    seeds.push_back({"rle8", rle8});
    BmpPieces rle4 = Piece(5, 2, 4, 0);
    rle4.compression = 2;
    rle4.pixels = {5, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0x00, 0, 1};
    seeds.push_back({"rle4", rle4});
    for (const auto& [name, pieces] : seeds) {
        const std::vector<uint8_t> bytes = AssembleBmp(pieces);
        std::ofstream(dir / (name + ".bmp"), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    return 0;
}
