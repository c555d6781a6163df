// The music clock: the record of rendered slices and the position heard now.
#include "music/clock.h"

#include <algorithm>

namespace {

constexpr int TAG_BITS = 22;
constexpr int ORDER_BITS = 16;
constexpr int ROW_BITS = 10;
constexpr uint64_t TAG_MASK = (uint64_t{1} << TAG_BITS) - 1;
constexpr uint64_t ORDER_MASK = (uint64_t{1} << ORDER_BITS) - 1;
constexpr uint64_t ROW_MASK = (uint64_t{1} << ROW_BITS) - 1;
constexpr int ORDER_SHIFT = TAG_BITS;
constexpr int ROW_SHIFT = ORDER_SHIFT + ORDER_BITS;
constexpr int STARTS_SHIFT = ROW_SHIFT + ROW_BITS;

uint64_t Field(int32_t value, uint64_t mask) {
    return static_cast<uint64_t>(std::clamp<int64_t>(value, 0, static_cast<int64_t>(mask)));
}

}  // namespace

int64_t EstimateHeardFrame(const DeviceClock& clock, int64_t previous) {
    int64_t elapsed = std::max<int64_t>(0, clock.nowMicros - clock.callbackMicros);
    int64_t heard = clock.framesHandedOut - clock.latencyFrames + elapsed * clock.rate / 1000000;
    heard = std::clamp<int64_t>(heard, 0, std::max<int64_t>(0, clock.framesHandedOut));
    return std::max(heard, previous);
}

uint64_t PackSlice(const SliceRecord& record) {
    return (static_cast<uint64_t>(record.slice) & TAG_MASK) | Field(record.order, ORDER_MASK) << ORDER_SHIFT |
           Field(record.row, ROW_MASK) << ROW_SHIFT | static_cast<uint64_t>(record.orderStarts & 0xFFFF)
                                                          << STARTS_SHIFT;
}

SliceRecord UnpackSlice(uint64_t packed, int64_t slice) {
    return {slice, static_cast<int32_t>(packed >> ORDER_SHIFT & ORDER_MASK),
            static_cast<int32_t>(packed >> ROW_SHIFT & ROW_MASK), static_cast<uint32_t>(packed >> STARTS_SHIFT)};
}

bool PackedSliceIs(uint64_t packed, int64_t slice) {
    return (packed & TAG_MASK) == (static_cast<uint64_t>(slice) & TAG_MASK);
}

void PublishSlice(SliceRing& ring, const SliceRecord& record) {
    uint64_t packed = PackSlice(record);
    ring.slots[record.slice % RING_SLICES].store(packed, std::memory_order_release);
    ring.latest.store(packed, std::memory_order_release);
    ring.latestSlice.store(record.slice, std::memory_order_release);
}

bool FindSlice(const SliceRing& ring, int64_t heard, SliceRecord* record) {
    int64_t slice = heard / SLICE_FRAMES;
    uint64_t packed = ring.slots[slice % RING_SLICES].load(std::memory_order_acquire);
    if (!PackedSliceIs(packed, slice)) return false;
    *record = UnpackSlice(packed, slice);
    return true;
}

SliceRecord HeardSlice(const SliceRing& ring, int64_t heard) {
    SliceRecord record;
    if (FindSlice(ring, heard, &record)) return record;
    int64_t latestSlice = ring.latestSlice.load(std::memory_order_acquire);
    return UnpackSlice(ring.latest.load(std::memory_order_acquire), latestSlice);
}
