// The capture's writer thread and the frames on their way to it.
#include "tools/capture/capture_queue.h"

namespace {

void WriteQueuedFrames(CaptureQueue& queue) {
    std::unique_lock<std::mutex> hold(queue.lock);
    for (;;) {
        queue.changed.wait(hold, [&] { return !queue.waiting.empty() || queue.closing; });
        if (queue.waiting.empty()) return;
        QueuedFrame current = std::move(queue.waiting.front());
        queue.waiting.pop_front();
        queue.changed.notify_all();
        hold.unlock();
        std::string error;
        bool written = AddCaptureFrame(*queue.writer, current.frame, &error);
        hold.lock();
        queue.spare.push_back(std::move(current));
        if (!written) {
            queue.failed = true;
            queue.error = error;
            queue.waiting.clear();
            queue.changed.notify_all();
            return;
        }
    }
}

}  // namespace

void StartCaptureQueue(CaptureQueue& queue, CaptureWriter& writer) {
    queue.writer = &writer;
    queue.worker = std::thread(WriteQueuedFrames, std::ref(queue));
}

bool QueueCaptureFrame(CaptureQueue& queue, const HeadlessFrame& frame, std::string* error) {
    std::unique_lock<std::mutex> hold(queue.lock);
    queue.changed.wait(hold, [&] { return queue.waiting.size() < CAPTURE_QUEUE_DEPTH || queue.failed; });
    if (queue.failed) {
        *error = queue.error;
        return false;
    }
    QueuedFrame slot;
    if (!queue.spare.empty()) {
        slot = std::move(queue.spare.back());
        queue.spare.pop_back();
    }
    // The copy is made outside the lock, so the writer is never kept waiting for it.
    hold.unlock();
    slot.frame = frame;
    if (frame.rgb) {
        slot.rgb.assign(frame.rgb, frame.rgb + static_cast<size_t>(frame.width) * frame.height * 3);
        slot.frame.rgb = slot.rgb.data();
    }
    slot.audio.assign(frame.audio.begin(), frame.audio.end());
    slot.frame.audio = slot.audio;
    hold.lock();
    queue.waiting.push_back(std::move(slot));
    queue.changed.notify_all();
    return true;
}

bool DrainCaptureQueue(CaptureQueue& queue, std::string* error) {
    {
        std::lock_guard<std::mutex> hold(queue.lock);
        queue.closing = true;
        queue.changed.notify_all();
    }
    if (queue.worker.joinable()) queue.worker.join();
    if (queue.failed) *error = queue.error;
    return !queue.failed;
}

void StopCaptureQueue(CaptureQueue& queue) {
    {
        std::lock_guard<std::mutex> hold(queue.lock);
        queue.waiting.clear();
        queue.closing = true;
        queue.changed.notify_all();
    }
    if (queue.worker.joinable()) queue.worker.join();
}
