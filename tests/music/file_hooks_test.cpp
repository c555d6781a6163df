// The five file hooks the module is read through.
#include "music/music.h"
#include "tests/music/tiny_mod.h"

#include <gtest/gtest.h>

#include <numeric>

#include <sys/stat.h>

namespace {

std::string TenBytes() {
    std::vector<uint8_t> bytes(10);
    std::iota(bytes.begin(), bytes.end(), uint8_t{0});
    return WriteTempFile("ten.bin", bytes);
}

TEST(ModuleFileHooks, SeekModesAndWhereTheyLeaveThePosition) {
    struct SeekCase {
        int32_t position;
        int8_t mode;
        int32_t result;
        int32_t after;   // ModuleFileTell afterwards; every case starts at 4
    };
    const SeekCase cases[] = {
        {2, 0, 0, 2},  {3, 1, 0, 7},   {-1, 1, 0, 3},  {-3, 2, 0, 7}, {0, 2, 0, 10},
        {20, 0, 0, 20},   // past the end is allowed, as fseek allows it
        {-1, 0, -1, 4},   // before the beginning
        {0, 3, -1, 4},    {0, -1, -1, 4}, {0, 127, -1, 4}, {0, -128, -1, 4},
    };
    void* file = ModuleFileOpen(TenBytes().c_str());
    ASSERT_NE(file, nullptr);
    for (const SeekCase& c : cases) {
        ASSERT_EQ(ModuleFileSeek(file, 4, 0), 0);
        EXPECT_EQ(ModuleFileSeek(file, c.position, c.mode), c.result) << c.position << " mode " << int{c.mode};
        EXPECT_EQ(ModuleFileTell(file), c.after) << c.position << " mode " << int{c.mode};
    }
    EXPECT_EQ(ModuleFileClose(file), 0);
}

TEST(ModuleFileHooks, ReadsWhatThereIsInBinary) {
    void* file = ModuleFileOpen(TenBytes().c_str());
    ASSERT_NE(file, nullptr);
    uint8_t buffer[16] = {};
    EXPECT_EQ(ModuleFileRead(buffer, 4, file), 4);
    EXPECT_EQ(buffer[3], 3);
    EXPECT_EQ(ModuleFileRead(buffer, 16, file), 6) << "fewer at the end";
    EXPECT_EQ(buffer[5], 9);
    EXPECT_EQ(ModuleFileRead(buffer, 16, file), 0);
    EXPECT_EQ(ModuleFileRead(buffer, 0, file), 0);
    EXPECT_EQ(ModuleFileRead(buffer, -5, file), 0);
    EXPECT_EQ(ModuleFileTell(file), 10);
    EXPECT_EQ(ModuleFileClose(file), 0);
}

TEST(ModuleFileHooks, MissingFilesAndNullHandles) {
    EXPECT_EQ(ModuleFileOpen((TenBytes() + ".missing").c_str()), nullptr);
    // Only regular files: a FIFO is refused at once instead of waiting for a writer.
    const std::string ten = TenBytes();
    const std::string folder = ten.substr(0, ten.rfind('/'));
    EXPECT_EQ(ModuleFileOpen(folder.c_str()), nullptr);
    const std::string fifo = folder + "/fifo.mod";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ModuleFileOpen(fifo.c_str()), nullptr);
    EXPECT_FALSE(StartMusic(fifo.c_str()));
    EXPECT_EQ(ModuleFileOpen(nullptr), nullptr);
    uint8_t buffer[4];
    EXPECT_EQ(ModuleFileRead(buffer, 4, nullptr), 0);
    EXPECT_EQ(ModuleFileSeek(nullptr, 0, 0), -1);
    EXPECT_EQ(ModuleFileTell(nullptr), -1);
    EXPECT_EQ(ModuleFileClose(nullptr), -1);
}

}  // namespace
