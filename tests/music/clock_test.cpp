// The music clock's estimate of the frame heard now, and the slice records.
#include "music/clock.h"

#include <gtest/gtest.h>

namespace {

struct HeardCase {
    const char* name;
    DeviceClock clock;
    int64_t previous;
    int64_t expected;
};

// 44100 frames a second; buffers of 1024 frames.
const HeardCase HEARD_CASES[] = {
    {"nothing handed out yet", {0, 1000, 50000, 2048, 44100}, 0, 0},
    {"at a callback, two buffers not yet heard", {4096, 1000, 1000, 2048, 44100}, 0, 2048},
    {"10 ms after the callback", {4096, 1000, 11000, 2048, 44100}, 0, 2048 + 441},
    {"one buffer of latency (dummy, disk)", {4096, 1000, 11000, 1024, 44100}, 0, 3072 + 441},
    {"a stalled device: never past what was handed out", {4096, 1000, 901000, 2048, 44100}, 0, 4096},
    {"never back before the last answer", {4096, 1000, 1000, 2048, 44100}, 3000, 3000},
    {"a clock read just before the callback's own", {4096, 2000, 1000, 2048, 44100}, 0, 2048},
    {"the first callback: latency larger than handed out", {1024, 1000, 1000, 2048, 44100}, 0, 0},
    {"hours in: no overflow", {int64_t{44100} * 3600 * 10, 0, 20000, 2048, 44100}, 0,
     int64_t{44100} * 3600 * 10 - 2048 + 882},
};

TEST(MusicClock, HeardFrameTable) {
    for (const HeardCase& c : HEARD_CASES) EXPECT_EQ(EstimateHeardFrame(c.clock, c.previous), c.expected) << c.name;
}

TEST(MusicClock, SliceRecordsRoundTripAndKnowTheirSlice) {
    const SliceRecord records[] = {
        {0, 0, 0, 1},
        {1023, 127, 63, 65535},
        {(int64_t{1} << 22) + 5, 65535, 1023, 65536 + 7},   // the counter wraps, the tag too
    };
    for (const SliceRecord& record : records) {
        uint64_t packed = PackSlice(record);
        SliceRecord back = UnpackSlice(packed, record.slice);
        EXPECT_EQ(back.order, record.order);
        EXPECT_EQ(back.row, record.row);
        EXPECT_EQ(back.orderStarts, record.orderStarts & 0xFFFF);
        EXPECT_TRUE(PackedSliceIs(packed, record.slice));
        // A ring of 1024 slices: the slice a ring length before or after is told apart.
        EXPECT_FALSE(PackedSliceIs(packed, record.slice + 1024));
        EXPECT_FALSE(PackedSliceIs(packed, record.slice + 1));
    }
    // Out-of-range fields are held at their limits rather than spilling into others.
    SliceRecord clamped = UnpackSlice(PackSlice({3, 70000, 5000, 0}), 3);
    EXPECT_EQ(clamped.order, 65535);
    EXPECT_EQ(clamped.row, 1023);
    EXPECT_EQ(UnpackSlice(PackSlice({3, -1, -1, 0}), 3).order, 0);
}

}  // namespace
