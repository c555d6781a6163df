// Order starts told from position readings: songs laid out row by row, read
// every few hundred frames as the player reads them.
#include "music/order_watch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr int32_t RATE = 44100;

struct SongRow {
    int32_t order;
    int32_t row;
    RowFlow flow;
    int32_t speed = 6;
    int32_t tempo = 125;
    // Frames of the row's first tick when it differs (a tempo change on the
    // row takes effect from its second tick).
    double firstTick = 0;
};

RowFlow Jump(int32_t order, int32_t row = -1) { return {order, row, false, 0}; }
RowFlow Break(int32_t row) { return {-1, row, false, 0}; }
RowFlow Loop() { return {-1, -1, true, 0}; }

// Reads the laid-out song every `step` frames from frame 0 to its end and
// returns the order starts counted.
int32_t CountStarts(const std::vector<SongRow>& song, int32_t orderCount, int32_t step) {
    std::vector<int64_t> starts;   // first frame of every row
    double at = 0;
    for (const SongRow& row : song) {
        starts.push_back(static_cast<int64_t>(std::floor(at)));
        double tick = RATE * 5.0 / (2.0 * row.tempo);
        double ticks = row.speed * (1 + row.flow.delay);
        at += row.firstTick > 0 ? row.firstTick + (ticks - 1) * tick : ticks * tick;
    }
    auto end = static_cast<int64_t>(std::floor(at));
    OrderWatch watch;
    watch.orderCount = orderCount;
    int32_t counted = 0;
    size_t index = 0;
    for (int64_t frame = 0; frame < end; frame += step) {
        while (index + 1 < starts.size() && starts[index + 1] <= frame) ++index;
        const SongRow& row = song[index];
        counted += WatchOrders(watch, {row.order, row.row, row.speed, row.tempo}, row.flow, frame, RATE);
    }
    return counted;
}

void AddRows(std::vector<SongRow>& song, int32_t order, int32_t first, int32_t last) {
    for (int32_t row = first; row <= last; ++row) song.push_back({order, row, {}});
}

struct WatchCase {
    const char* name;
    std::vector<SongRow> song;
    int32_t orderCount;
    int32_t expected;
};

std::vector<WatchCase> WatchCases() {
    std::vector<WatchCase> cases;
    {
        WatchCase c{"two orders in a row: the first counts at the start", {}, 2, 2};
        AddRows(c.song, 0, 0, 63);
        AddRows(c.song, 1, 0, 63);
        cases.push_back(c);
    }
    {
        WatchCase c{"a pattern loop goes back within its order: nothing new", {}, 1, 1};
        AddRows(c.song, 0, 0, 4);
        c.song.push_back({0, 5, Loop()});
        AddRows(c.song, 0, 0, 4);
        c.song.push_back({0, 5, Loop()});   // done looping: on to row 6
        AddRows(c.song, 0, 6, 10);
        cases.push_back(c);
    }
    {
        WatchCase c{"Bxx back to the start of its own order, twice", {}, 2, 3};
        for (int pass = 0; pass < 3; ++pass) {
            AddRows(c.song, 0, 0, 2);
            c.song.push_back({0, 3, Jump(0)});
        }
        cases.push_back(c);
    }
    {
        WatchCase c{"Bxx forward into its own order (with Dxx)", {}, 1, 2};
        AddRows(c.song, 0, 0, 2);
        c.song.push_back({0, 3, Jump(0, 20)});
        AddRows(c.song, 0, 20, 25);
        cases.push_back(c);
    }
    {
        WatchCase c{"a one-order song wraps around", {}, 1, 3};
        for (int pass = 0; pass < 3; ++pass) AddRows(c.song, 0, 0, 63);
        cases.push_back(c);
    }
    {
        WatchCase c{"Dxx in a one-order song lands on the order it left", {}, 1, 2};
        AddRows(c.song, 0, 0, 9);
        c.song.push_back({0, 10, Break(0)});
        AddRows(c.song, 0, 0, 12);
        cases.push_back(c);
    }
    {
        WatchCase c{"a row jumping onto itself: every pass is an order", {}, 2, 2 + 4};
        AddRows(c.song, 0, 0, 0);
        AddRows(c.song, 1, 0, 3);
        for (int pass = 0; pass < 5; ++pass) c.song.push_back({1, 4, Jump(1, 4)});
        cases.push_back(c);
    }
    {
        WatchCase c{"a row jumping onto itself with a pattern delay (EE2)", {}, 1, 1 + 3};
        for (int pass = 0; pass < 4; ++pass) c.song.push_back({0, 0, RowFlow{0, -1, false, 2}});
        cases.push_back(c);
    }
    {
        WatchCase c{"a row jumping onto itself at tempo 32 for 40 passes: no drift", {}, 1, 40};
        for (int pass = 0; pass < 40; ++pass) c.song.push_back({0, 0, Jump(0), 6, 32});
        cases.push_back(c);
    }
    {
        WatchCase c{"a row jumping onto itself at speed 1, tempo 255 (the shortest row)", {}, 1, 30};
        for (int pass = 0; pass < 30; ++pass) c.song.push_back({0, 7, Jump(0, 7), 1, 255});
        cases.push_back(c);
    }
    {
        // Tempo 255 is set on the row, but its first tick still runs at the
        // old tempo 32: the row lasts longer than its speed and tempo say.
        WatchCase c{"a jump elsewhere from a row longer than it reads", {}, 2, 2};
        c.song.push_back({0, 0, Jump(1), 6, 255, 3445.3125});
        AddRows(c.song, 1, 0, 3);
        cases.push_back(c);
    }
    return cases;
}

TEST(OrderWatch, CountsOrderStartsOfLaidOutSongs) {
    for (const WatchCase& c : WatchCases()) {
        // Readings on slice boundaries, and at the odd instants of offline frames.
        EXPECT_EQ(CountStarts(c.song, c.orderCount, 256), c.expected) << c.name << " (every 256 frames)";
        EXPECT_EQ(CountStarts(c.song, c.orderCount, 173), c.expected) << c.name << " (every 173 frames)";
    }
}

TEST(OrderWatch, RowFlowFromEffects) {
    struct FlowCase {
        const char* name;
        std::vector<EffectCell> cells;
        RowFlow expected;
    };
    const FlowCase cases[] = {
        {"no effects", {{'.', 0}, {'C', 0x20}}, {}},
        {"Bxx", {{'B', 0x05}}, {5, -1, false, 0}},
        {"Dxx", {{'D', 12}}, {-1, 12, false, 0}},
        {"Dxx then Bxx: the jump clears the row", {{'D', 10}, {'B', 0x01}}, {1, -1, false, 0}},
        {"Bxx then Dxx: both", {{'B', 0x01}, {'D', 0x04}}, {1, 4, false, 0}},
        {"E60 marks a loop start only", {{'E', 0x60}}, {}},
        {"E63 loops", {{'E', 0x63}}, {-1, -1, true, 0}},
        {"EE2 delays", {{'E', 0xE2}}, {-1, -1, false, 2}},
        {"other E commands", {{'E', 0x12}, {'E', 0x91}}, {}},
    };
    for (const FlowCase& c : cases) {
        RowFlow flow;
        for (EffectCell cell : c.cells) AddEffectToRowFlow(flow, cell);
        EXPECT_EQ(flow.jumpOrder, c.expected.jumpOrder) << c.name;
        EXPECT_EQ(flow.breakRow, c.expected.breakRow) << c.name;
        EXPECT_EQ(flow.loops, c.expected.loops) << c.name;
        EXPECT_EQ(flow.delay, c.expected.delay) << c.name;
    }
}

}  // namespace
