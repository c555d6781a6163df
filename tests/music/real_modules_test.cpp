// Public four-channel modules (jumps, breaks, loops, delays, tempo changes):
// the positions reported offline are libopenmpt's own at the same sample, and
// the order notices come when libxmp, reading the module tick by tick, starts
// an order. Skipped when the test data is absent.
#include "music/offline.h"
#include "tests/music/stdout_tap.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>
#include <xmp.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct RealModule {
    const char* file;
    double seconds;   // rendered for this long: long enough to loop the short ones
};

const RealModule REAL_MODULES[] = {
    {"cv_tech.mod", 60}, {"cv_boss.mod", 60},      {"PatternJump.mod", 8},
    {"PatLoop-Break.mod", 12}, {"DelayBreak.mod", 10}, {"TempoChange.mod", 10},
};

std::string ModulePath(const char* file) { return std::string(INVITATION_TESTDATA) + "/mods/" + file; }

bool HaveTestData() { return std::filesystem::exists(ModulePath(REAL_MODULES[0].file)); }

std::vector<char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RealModules : public testing::Test {
protected:
    void SetUp() override {
        if (!HaveTestData()) GTEST_SKIP() << "no public modules at " << INVITATION_TESTDATA << "/mods";
    }
    void TearDown() override { StopMusic(); }
};

TEST_F(RealModules, PositionsAreLibopenmptsOwnAtTheSameSample) {
    for (const RealModule& module : REAL_MODULES) {
        std::string path = ModulePath(module.file);
        std::vector<char> bytes = ReadBytes(path);
        openmpt_module* oracle = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                                                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(oracle, nullptr) << module.file;
        openmpt_module_set_repeat_count(oracle, -1);
        ASSERT_TRUE(StartMusic(path.c_str())) << module.file;

        std::vector<int16_t> scratch;
        int64_t oracleFrames = 0;
        int mismatches = 0;
        auto until = static_cast<int64_t>(module.seconds * MUSIC_MIX_RATE);
        // Instants of a 60 Hz capture, and then some odd ones.
        for (int64_t frame = 0; frame < until && mismatches < 5; frame += (frame < until / 2 ? 735 : 311)) {
            RenderMusicUntil(frame, nullptr);
            MusicPosition position{};
            GetMusicPosition(position);
            // libopenmpt tells the row of the last frame it rendered.
            int64_t count = frame + 1 - oracleFrames;
            scratch.resize(static_cast<size_t>(count) * 2);
            oracleFrames += static_cast<int64_t>(
                openmpt_module_read_interleaved_stereo(oracle, MUSIC_MIX_RATE, static_cast<size_t>(count), scratch.data()));
            int32_t order = openmpt_module_get_current_order(oracle), row = openmpt_module_get_current_row(oracle);
            if (position.order != order || position.row != row ||
                position.milliseconds != static_cast<int32_t>(frame * 1000 / MUSIC_MIX_RATE)) {
                ++mismatches;
                ADD_FAILURE() << module.file << " at frame " << frame << ": " << position.order << "/" << position.row
                              << " " << position.milliseconds << " ms, libopenmpt " << order << "/" << row;
            }
        }
        StopMusic();
        openmpt_module_destroy(oracle);
    }
}

// Frames at which libxmp starts an order: the first row, a row of another
// order, any row after a row with Bxx or Dxx (itself again included), and a
// wrap back within the order that no pattern loop (E6x) made.
std::vector<int64_t> XmpOrderStarts(const std::string& path, int64_t until) {
    std::vector<int64_t> starts;
    xmp_context context = xmp_create_context();
    if (xmp_load_module(context, const_cast<char*>(path.c_str())) != 0) {
        xmp_free_context(context);
        return starts;
    }
    xmp_start_player(context, MUSIC_MIX_RATE, 0);
    xmp_module_info info;
    xmp_get_module_info(context, &info);
    int64_t frames = 0;
    int lastPosition = -1, lastRow = -1;
    bool lastJumps = false, lastLoops = false;
    while (frames < until) {
        if (xmp_play_frame(context) != 0) break;
        xmp_frame_info frame;
        xmp_get_frame_info(context, &frame);
        if (frame.frame == 0) {
            bool jumps = false, loops = false;
            const xmp_pattern* pattern = info.mod->xxp[frame.pattern];
            for (int channel = 0; channel < info.mod->chn; ++channel) {
                const xmp_event& event = info.mod->xxt[pattern->index[channel]]->event[frame.row];
                for (auto [type, parameter] : {std::pair{event.fxt, event.fxp}, std::pair{event.f2t, event.f2p}}) {
                    jumps = jumps || type == 0x0B || type == 0x0D;
                    loops = loops || (type == 0x0E && (parameter >> 4) == 6 && (parameter & 0x0F) != 0);
                }
            }
            if (lastPosition < 0 || frame.pos != lastPosition || lastJumps || (frame.row < lastRow && !lastLoops))
                starts.push_back(frames);
            lastPosition = frame.pos;
            lastRow = frame.row;
            lastJumps = jumps;
            lastLoops = loops;
        }
        frames += frame.buffer_size / 4;
    }
    xmp_end_player(context);
    xmp_release_module(context);
    xmp_free_context(context);
    return starts;
}

// Frames at which our notices appear, rendering offline slice by slice.
std::vector<int64_t> NoticeFrames(const std::string& path, int64_t until, std::string* written) {
    std::vector<int64_t> frames;
    StdoutTap tap;
    if (!StartMusic(path.c_str())) return frames;
    for (int64_t frame = 0; frame <= until; frame += 256) {
        RenderMusicUntil(frame, nullptr);
        std::string text = tap.Take();
        written->append(text);
        for (int i = CountNotices(text, MUSIC_ORDER_NOTICE); i > 0; --i) frames.push_back(frame);
    }
    StopMusic();
    return frames;
}

TEST_F(RealModules, NoticesWhereATickByTickPlayerStartsOrders) {
    // Players differ a little on timing (DelayBreak: by 69 ms at order 1).
    constexpr int64_t TOLERANCE = MUSIC_MIX_RATE / 10;
    for (const RealModule& module : REAL_MODULES) {
        std::string path = ModulePath(module.file);
        auto until = static_cast<int64_t>(module.seconds * MUSIC_MIX_RATE);
        std::vector<int64_t> expected = XmpOrderStarts(path, until);
        std::string written;
        std::vector<int64_t> ours = NoticeFrames(path, until, &written);
        ASSERT_FALSE(expected.empty()) << module.file;
        bool exact = false;
        EXPECT_EQ(CountNotices(written, MUSIC_ORDER_NOTICE, &exact), static_cast<int>(ours.size()));
        EXPECT_TRUE(exact) << module.file;
        // A start within the tolerance of the end may fall on either side of it.
        auto nearEnd = [until](const std::vector<int64_t>& starts, size_t from) {
            for (size_t i = from; i < starts.size(); ++i)
                if (starts[i] < until - TOLERANCE) return false;
            return true;
        };
        size_t common = std::min(expected.size(), ours.size());
        EXPECT_TRUE(nearEnd(expected, common) && nearEnd(ours, common))
            << module.file << ": " << ours.size() << " notices, libxmp starts " << expected.size() << " orders";
        for (size_t i = 0; i < common; ++i) {
            if (std::llabs(ours[i] - expected[i]) > TOLERANCE) {
                ADD_FAILURE() << module.file << ": notice " << i << " at frame " << ours[i] << ", libxmp's order start at "
                              << expected[i];
                break;
            }
        }
        std::printf("%s: %zu notices in %.0f s\n", module.file, ours.size(), module.seconds);
    }
}

}  // namespace
