// Hands the rendered frames to the capture's writer on a thread of its own, so
// that the show renders the next frame while this one is encoded or compressed.
#pragma once

#include "tools/capture/capture_output.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Frames waiting for the writer: enough to ride out an uneven encoder, few
// enough that a 4K capture holds a few tens of MiB.
constexpr size_t CAPTURE_QUEUE_DEPTH = 3;

struct QueuedFrame {
    HeadlessFrame frame;   // its rgb and audio point into the two buffers below
    std::vector<uint8_t> rgb;
    std::vector<int16_t> audio;
};

struct CaptureQueue {
    CaptureWriter* writer = nullptr;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<QueuedFrame> waiting;
    std::vector<QueuedFrame> spare;   // written frames, their buffers kept for the next ones
    bool closing = false;             // no more frames come
    bool failed = false;
    std::string error;                // the writer's, once failed
    std::thread worker;
};

void StartCaptureQueue(CaptureQueue& queue, CaptureWriter& writer);
// Copies the frame for the writer, waiting while CAPTURE_QUEUE_DEPTH frames
// wait. False with the writer's error once it has failed.
bool QueueCaptureFrame(CaptureQueue& queue, const HeadlessFrame& frame, std::string* error);
// Waits until every queued frame is written, then ends the thread. False with
// the writer's error when it failed.
bool DrainCaptureQueue(CaptureQueue& queue, std::string* error);
// Ends the thread after the frame being written; the waiting ones are dropped.
void StopCaptureQueue(CaptureQueue& queue);
