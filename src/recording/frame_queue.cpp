#include "recording/frame_queue.h"

#include <vector>

namespace {

// A recording circulates a few buffers per pass; more spares than this are
// given back to the system.
constexpr std::size_t spareBufferLimit = 8;

struct SpareBuffers {
    std::mutex mutex;
    std::vector<std::pair<std::size_t, std::uint8_t*>> buffers;

    ~SpareBuffers() {
        for (auto& spare : buffers)
            delete[] spare.second;
    }
};

SpareBuffers& spares() {
    static SpareBuffers pool;
    return pool;
}

} // namespace

void RecycleFrameBuffer::operator()(std::uint8_t* buffer) const noexcept {
    SpareBuffers& pool = spares();
    {
        std::lock_guard lock(pool.mutex);
        if (pool.buffers.size() < spareBufferLimit) {
            try {
                pool.buffers.emplace_back(size, buffer);
                return;
            } catch (...) {
                // No room to remember it: freed below.
            }
        }
    }
    delete[] buffer;
}

FrameBytes FrameBytes::allocate(std::size_t size) {
    SpareBuffers& pool = spares();
    {
        std::lock_guard lock(pool.mutex);
        for (auto it = pool.buffers.begin(); it != pool.buffers.end(); ++it) {
            if (it->first == size) {
                std::uint8_t* buffer = it->second;
                pool.buffers.erase(it);
                return {{buffer, RecycleFrameBuffer{size}}, size};
            }
        }
    }
    return {{new std::uint8_t[size], RecycleFrameBuffer{size}}, size};
}

// One producer (the presenting thread) and one consumer (the writer) share
// one condition variable: each side wakes the other after changing the queue.

void FrameQueueView::push(PendingFrame frame, std::size_t budgetBytes) {
    {
        std::unique_lock lock(mutex_);
        const std::size_t size = frame.pixels.size;
        ready_.wait(lock, [&] {
            return queue_.empty() || bytesLocked() + size <= budgetBytes || !running_.load();
        });
        queue_.push_back(std::move(frame));
    }
    ready_.notify_all();
}

bool FrameQueueView::pop(PendingFrame& frame) {
    {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [&] { return !queue_.empty() || !running_.load(); });
        if (queue_.empty())
            return false;
        frame = std::move(queue_.front());
        queue_.pop_front();
    }
    ready_.notify_all();
    return true;
}

void FrameQueueView::stop() {
    {
        std::lock_guard lock(mutex_);
        running_.store(false);
    }
    ready_.notify_all();
}

std::size_t FrameQueueView::queuedBytes() const {
    std::lock_guard lock(mutex_);
    return bytesLocked();
}

// At most a second's worth of frames is queued, a few dozen entries.
std::size_t FrameQueueView::bytesLocked() const {
    std::size_t total = 0;
    for (const PendingFrame& frame : queue_)
        total += frame.pixels.size;
    return total;
}
