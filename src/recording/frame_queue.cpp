#include "recording/frame_queue.h"

#include <algorithm>

void FrameQueue::open() {
    {
        std::lock_guard lock(mutex_);
        finished_ = false;
    }
    writer_.busyPass.store(-1);
    writer_.stepped();
    running_.exchange(true);
}

FrameQueue::Push FrameQueue::push(PendingFrame& frame, std::size_t budgetBytes,
                                  const StallLimits& limits, std::int64_t notBefore) {
    {
        std::unique_lock lock(mutex_);
        const std::size_t size = frame.pixels.size;
        const auto fits = [&] {
            return frames_.empty() || bytesLocked() + size <= budgetBytes || !running_.load();
        };
        while (!fits()) {
            // Re-read at every wake: each step of the writer moves the deadline.
            const std::int64_t deadline = std::max(writer_.progressAt.load(), notBefore) +
                                          limits.forFrame(writer_.busyFrame.load());
            if (steadyNanoseconds() >= deadline)
                return Push::WriterStuck;
            ready_.wait_until(
                lock, std::chrono::steady_clock::time_point(std::chrono::nanoseconds(deadline)));
        }
        frames_.push_back(std::move(frame));
    }
    ready_.notify_all();
    return Push::Queued;
}

bool FrameQueue::pop(PendingFrame& frame) {
    {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [&] { return !frames_.empty() || !running_.load(); });
        if (frames_.empty())
            return false;
        frame = std::move(frames_.front());
        frames_.pop_front();
        writer_.stepped();
    }
    ready_.notify_all();
    return true;
}

std::size_t FrameQueue::dropPass(PassKind pass) {
    std::size_t dropped = 0;
    {
        std::lock_guard lock(mutex_);
        dropped = std::erase_if(frames_, [pass](const PendingFrame& f) { return f.pass == pass; });
    }
    ready_.notify_all();
    return dropped;
}

void FrameQueue::stop() {
    {
        std::lock_guard lock(mutex_);
        running_.store(false);
    }
    ready_.notify_all();
}

void FrameQueue::writerFinished() {
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    ready_.notify_all();
}

bool FrameQueue::waitForWriter(const StallLimits& limits, std::int64_t notBefore) {
    std::unique_lock lock(mutex_);
    while (!finished_) {
        const std::int64_t deadline = std::max(writer_.progressAt.load(), notBefore) +
                                      limits.forFrame(writer_.busyFrame.load());
        if (steadyNanoseconds() >= deadline)
            return false;
        ready_.wait_until(
            lock, std::chrono::steady_clock::time_point(std::chrono::nanoseconds(deadline)));
    }
    return true;
}

void FrameQueue::clear() {
    std::lock_guard lock(mutex_);
    frames_.clear();
}

std::size_t FrameQueue::queuedBytes() const {
    std::lock_guard lock(mutex_);
    return bytesLocked();
}

// At most a second's worth of frames is queued, a few dozen entries.
std::size_t FrameQueue::bytesLocked() const {
    std::size_t total = 0;
    for (const PendingFrame& frame : frames_)
        total += frame.pixels.size;
    return total;
}
