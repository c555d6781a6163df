// The music clock: which rendered frame is heard now, and the record kept of
// every slice of rendered frames, so that the position heard can be looked up.
// Pure; the player feeds it the device's counters.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

// Frames rendered between two readings of the module's position.
constexpr int32_t SLICE_FRAMES = 256;

// What the device has said about its progress, and the time now.
struct DeviceClock {
    int64_t framesHandedOut;   // frames given to the device so far
    int64_t callbackMicros;    // when the device last asked for frames
    int64_t nowMicros;
    int32_t latencyFrames;     // handed out but not yet heard, as the device asks
    int32_t rate;              // frames per second
};

// The frame heard at `nowMicros`: what was handed out, less the device's
// latency, plus the time since it last asked; never beyond what was handed
// out, never before `previous` (the last answer), never below 0.
int64_t EstimateHeardFrame(const DeviceClock& clock, int64_t previous);

// The module's position at the first frame of a slice, with the running count
// of order starts up to it. Packed into 64 bits so that one atomic holds it.
struct SliceRecord {
    int64_t slice;            // first frame / SLICE_FRAMES
    int32_t order;            // 0 to 65535
    int32_t row;              // 0 to 1023
    uint32_t orderStarts;     // counted modulo 65536
};

uint64_t PackSlice(const SliceRecord& record);
SliceRecord UnpackSlice(uint64_t packed, int64_t slice);
// True when `packed` was written for `slice` (and not for one a ring length
// before or after it).
bool PackedSliceIs(uint64_t packed, int64_t slice);

// Slices kept for looking up what is heard: about six seconds.
constexpr int64_t RING_SLICES = 1024;

// The record of the slices rendered lately, written by whoever renders and read by
// whoever asks what is heard (another thread on the desktop).
struct SliceRing {
    std::array<std::atomic<uint64_t>, RING_SLICES> slots{};
    std::atomic<uint64_t> latest{0};
    std::atomic<int64_t> latestSlice{0};
};

void PublishSlice(SliceRing& ring, const SliceRecord& record);
// The record of the slice that holds frame `heard`; one not rendered yet (the clock
// cannot run ahead of the output, so only by a rounding at the edge) gives the newest.
SliceRecord HeardSlice(const SliceRing& ring, int64_t heard);
// The record of the slice that holds frame `heard`, false when the ring no longer
// (or not yet) holds it.
bool FindSlice(const SliceRing& ring, int64_t heard, SliceRecord* record);
