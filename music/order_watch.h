// Order starts of the playing module, told from readings of its position.
// The player reads (order, row) at least every SLICE_FRAMES frames, and no row
// of a MOD is shorter than that (one tick at tempo 255 is 432 frames), so every
// row is seen. A new order starts when the order index changes, when a row with
// a position jump or pattern break (Bxx, Dxx) is followed by any other row or
// by itself again, and when the song wraps around to the order it is in. A
// pattern loop (E6x) going back within its pattern starts nothing. Pure.
#pragma once

#include <cstdint>

// What a row of a pattern does to the flow of the song, from its effects.
struct RowFlow {
    int32_t jumpOrder = -1;   // Bxx: the order jumped to; -1 for none
    int32_t breakRow = -1;    // Dxx: the row the next order starts at; -1 for none
    bool loops = false;       // E6x with x > 0
    int32_t delay = 0;        // EEx: the row plays 1 + x times
};

// The module's position as read after rendering up to a frame.
struct PlayReading {
    int32_t order;
    int32_t row;
    int32_t speed;   // ticks per row
    int32_t tempo;   // classic tempo: a tick lasts 2.5 / tempo seconds
};

struct OrderWatch {
    int32_t orderCount = 1;   // the length of the order list, for Dxx at its end
    bool started = false;
    PlayReading last{};
    RowFlow lastFlow{};
    int64_t rowSeenAt = 0;    // frame of the first reading of the current row
    int32_t replays = 0;      // restarts of a row that jumps onto itself
};

// Takes the reading at `frame` (frames counted at `rate` per second) and the
// flow of the row it shows; returns how many orders started since the last
// reading. The first reading counts as the start of the first order.
int32_t WatchOrders(OrderWatch& watch, const PlayReading& reading, const RowFlow& flow, int64_t frame,
                    int32_t rate);

// Builds a row's flow from its cells' effect letters and parameters as the
// module holds them once loaded ('B' with 1 is B01; the row of a Dxx is a
// plain number, its decimal digits already read). Cells are taken in channel
// order: a later Bxx clears the break row of an earlier Dxx, as ProTracker does.
struct EffectCell {
    char letter;
    uint8_t parameter;
};
void AddEffectToRowFlow(RowFlow& flow, EffectCell cell);
