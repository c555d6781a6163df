// phatfunk.mod in two independent players, and the intro the show builds on it.
#include "tests/content/built_data.h"

#include <libopenmpt/libopenmpt.hpp>
#ifdef CONTENT_WITH_LIBXMP
#include <xmp.h>
#endif

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

namespace {

std::vector<char> ReadModule() {
    std::ifstream file(BuiltDataDir() + "/phatfunk.mod", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

constexpr size_t ORDER_TABLE = 952;
constexpr size_t PATTERNS = 1084;

// Note period, effect and parameter of one cell of the module's bytes.
struct Cell {
    int period, effect, param;
};

Cell CellAt(const std::vector<char>& mod, int pattern, int row, int channel) {
    size_t at = PATTERNS + static_cast<size_t>(pattern) * 1024 + static_cast<size_t>(row) * 16 + channel * 4;
    auto b = [&](size_t i) { return static_cast<uint8_t>(mod[at + i]); };
    return {((b(0) & 0x0F) << 8) | b(1), b(2) & 0x0F, b(3)};
}

}  // namespace

TEST(Module, LoadsCleanlyInLibopenmptAndLibxmpAlike) {
    ASSERT_FALSE(BuiltDataDir().empty()) << BuiltDataError();
    std::vector<char> data = ReadModule();
    ASSERT_GT(data.size(), PATTERNS);
    EXPECT_EQ(std::string(&data[1080], 4), "M.K.");

    std::ostringstream log;
    openmpt::module mod(data, log);
    EXPECT_EQ(log.str(), "");
    EXPECT_EQ(mod.get_metadata("warnings"), "");
    EXPECT_EQ(mod.get_metadata("type"), "mod");
    EXPECT_EQ(mod.get_num_channels(), 4);
    EXPECT_EQ(mod.get_num_samples(), 31);
    int32_t orders = mod.get_num_orders();
    double seconds = mod.get_duration_seconds();
    EXPECT_GE(orders, 12);
    EXPECT_GE(seconds, 60.0);
    EXPECT_LE(seconds, 180.0);

#ifdef CONTENT_WITH_LIBXMP
    xmp_context context = xmp_create_context();
    ASSERT_EQ(xmp_load_module_from_memory(context, data.data(), static_cast<long>(data.size())), 0);
    xmp_module_info info;
    xmp_get_module_info(context, &info);
    EXPECT_EQ(info.mod->len, orders);
    EXPECT_EQ(info.mod->chn, 4);
    EXPECT_NEAR(info.seq_data[0].duration / 1000.0, seconds, seconds * 0.01);
    xmp_release_module(context);
    xmp_free_context(context);
#else
    GTEST_SKIP() << "libxmp is not installed (Debian libxmp-dev): checked in libopenmpt only";
#endif
}

TEST(Module, IntroAccentsLandOnTheLogoRowsAtSpeedSixAnd125Bpm) {
    ASSERT_FALSE(BuiltDataDir().empty()) << BuiltDataError();
    std::vector<char> data = ReadModule();
    int intro = static_cast<uint8_t>(data[ORDER_TABLE]);
    std::set<int> noteRows;
    for (int row = 0; row <= 16; ++row)
        for (int channel = 0; channel < 4; ++channel)
            if (CellAt(data, intro, row, channel).period != 0) noteRows.insert(row);
    EXPECT_EQ(noteRows, (std::set<int>{4, 10, 12, 14, 16}));

    openmpt::module mod(data);
    std::vector<float> buffer(2 * 1024);
    mod.read_interleaved_stereo(44100, 1024, buffer.data());
    EXPECT_EQ(mod.get_current_speed(), 6);
    EXPECT_EQ(mod.get_current_tempo(), 125);
    // 64 rows of 6 ticks at 125 BPM: the menu starts 7.68 seconds in.
    EXPECT_NEAR(mod.set_position_order_row(1, 0), 7.68, 0.001);
}

TEST(Module, LoopsToItsRestartAndNoPatternJumpsOntoItsOwnOrder) {
    ASSERT_FALSE(BuiltDataDir().empty()) << BuiltDataError();
    std::vector<char> data = ReadModule();
    int length = static_cast<uint8_t>(data[950]);
    int restart = static_cast<uint8_t>(data[951]);
    ASSERT_LT(restart, length);
    for (int order = 0; order < length; ++order) {
        int pattern = static_cast<uint8_t>(data[ORDER_TABLE + order]);
        for (int row = 0; row < 64; ++row)
            for (int channel = 0; channel < 4; ++channel) {
                Cell cell = CellAt(data, pattern, row, channel);
                if (cell.effect == 0xB) {
                    EXPECT_NE(cell.param, order) << "pattern " << pattern << " row " << row;
                }
            }
    }
    openmpt::module mod(data);
    mod.set_repeat_count(-1);
    mod.set_position_order_row(length - 1, 60);
    std::vector<float> buffer(2 * 44100);
    mod.read_interleaved_stereo(44100, 44100, buffer.data());
    EXPECT_EQ(mod.get_current_order(), restart);
    EXPECT_GT(restart, 0);   // the intro plays once
}
