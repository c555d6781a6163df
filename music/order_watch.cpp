// Telling order starts from readings of the module's position.
#include "music/order_watch.h"

#include <cmath>

namespace {

bool Jumps(const RowFlow& flow) { return flow.jumpOrder >= 0 || flow.breakRow >= 0; }

// Where the jump or break of a row at `order` lands.
bool JumpsOntoItself(const OrderWatch& watch, const PlayReading& at, const RowFlow& flow) {
    if (!Jumps(flow)) return false;
    int32_t order = flow.jumpOrder >= 0 ? flow.jumpOrder : at.order + 1;
    if (order >= watch.orderCount) order = 0;
    int32_t row = flow.breakRow >= 0 ? flow.breakRow : 0;
    return order == at.order && row == at.row;
}

// Frames one pass of the row takes. Tick lengths carry their fractions over,
// so that k passes last k times this within a frame.
double RowFrames(const PlayReading& reading, const RowFlow& flow, int32_t rate) {
    int32_t tempo = reading.tempo > 0 ? reading.tempo : 125;
    int32_t speed = reading.speed > 0 ? reading.speed : 6;
    return static_cast<double>(speed) * (1 + flow.delay) * rate * 5.0 / (2.0 * tempo);
}

// A reading is taken at most a frame or two after the tick it shows began.
constexpr int64_t READING_SLACK = 3;

}  // namespace

int32_t WatchOrders(OrderWatch& watch, const PlayReading& reading, const RowFlow& flow, int64_t frame,
                    int32_t rate) {
    int32_t starts = 0;
    if (!watch.started) {
        watch.started = true;
        starts = 1;
    } else if (reading.order != watch.last.order || reading.row != watch.last.row) {
        if (reading.order != watch.last.order || Jumps(watch.lastFlow))
            starts = 1;
        else if (reading.row < watch.last.row && !watch.lastFlow.loops)
            starts = 1;   // wrapped around to the order it was in
    } else {
        // The same row again: a row that jumps onto itself shows nothing new,
        // so its restarts are counted by its length.
        watch.last = reading;
        if (JumpsOntoItself(watch, reading, watch.lastFlow)) {
            double length = RowFrames(reading, watch.lastFlow, rate);
            auto passes = static_cast<int32_t>(std::floor((frame - watch.rowSeenAt - READING_SLACK) / length));
            if (passes > watch.replays) {
                starts = passes - watch.replays;
                watch.replays = passes;
            }
        }
        return starts;
    }
    watch.last = reading;
    watch.lastFlow = flow;
    watch.rowSeenAt = frame;
    watch.replays = 0;
    return starts;
}

void AddEffectToRowFlow(RowFlow& flow, EffectCell cell) {
    switch (cell.letter) {
    case 'B':
        flow.jumpOrder = cell.parameter;
        flow.breakRow = -1;
        break;
    case 'D':
        flow.breakRow = cell.parameter;
        break;
    case 'E':
        if ((cell.parameter >> 4) == 0x6 && (cell.parameter & 0x0F) != 0) flow.loops = true;
        if ((cell.parameter >> 4) == 0xE) flow.delay = cell.parameter & 0x0F;
        break;
    default:
        break;
    }
}
