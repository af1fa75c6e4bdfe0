#pragma once
// The queue between the render thread, which packs frames, and the writer
// thread, which feeds them to the encoders. It holds at most a budget of
// bytes: a producer that finds it full waits for the writer to make room, so
// that no frame is dropped and memory stays bounded.

#include "recording/recording_types.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

class FrameQueueView {
public:
    FrameQueueView(std::deque<PendingFrame>& queue, std::mutex& mutex,
                   std::condition_variable& ready, std::atomic<bool>& running)
        : queue_(queue), mutex_(mutex), ready_(ready), running_(running) {}

    // Appends the frame once it fits within the budget. A frame always fits
    // into an empty queue, however large, and nothing waits once the writer
    // has been told to stop.
    void push(PendingFrame frame, std::size_t budgetBytes);

    // The front frame, waiting for one while the writer runs; false once the
    // writer is told to stop and the queue is empty.
    bool pop(PendingFrame& frame);

    // Tells the writer to end once it has written what is queued.
    void stop();

    std::size_t queuedBytes() const;

private:
    std::size_t bytesLocked() const;

    std::deque<PendingFrame>& queue_;
    std::mutex& mutex_;
    std::condition_variable& ready_;
    std::atomic<bool>& running_;
};
