#include "recording/frame_queue.h"

#include "recording/frame_memory.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <vector>

namespace {

// A recording circulates a few buffers per pass; more spares than this are
// given back to the system.
constexpr std::size_t spareBufferLimit = 8;

std::uint8_t* newBuffer(std::size_t size) {
    return size >= largeFrameBytes ? reserveFrameMemory(size)
                                   : new (std::nothrow) std::uint8_t[size];
}

void deleteBuffer(std::uint8_t* buffer, std::size_t size) {
    if (size >= largeFrameBytes)
        releaseFrameMemory(buffer, size);
    else
        delete[] buffer;
}

struct SpareBuffers {
    std::mutex mutex;
    // The most recently returned last: it is the likeliest still to be in
    // the caches and the TLB.
    std::vector<std::pair<std::size_t, std::uint8_t*>> buffers;

    SpareBuffers() { buffers.reserve(spareBufferLimit); }
    ~SpareBuffers() {
        for (auto& [size, buffer] : buffers)
            deleteBuffer(buffer, size);
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
        // Room was reserved up front: remembering a spare never allocates.
        if (pool.buffers.size() < spareBufferLimit) {
            pool.buffers.emplace_back(size, buffer);
            return;
        }
    }
    deleteBuffer(buffer, size);
}

FrameBytes FrameBytes::allocate(std::size_t size) {
    SpareBuffers& pool = spares();
    {
        std::lock_guard lock(pool.mutex);
        for (auto it = pool.buffers.rbegin(); it != pool.buffers.rend(); ++it) {
            if (it->first == size) {
                std::uint8_t* buffer = it->second;
                pool.buffers.erase(std::next(it).base());
                return {{buffer, RecycleFrameBuffer{size}}, size};
            }
        }
    }
    std::uint8_t* buffer = newBuffer(size);
    if (!buffer)
        throw std::bad_alloc();
    return {{buffer, RecycleFrameBuffer{size}}, size};
}

// One producer (the presenting thread) and one consumer (the writer) share
// one condition variable: each side wakes the other after changing the queue.

FrameQueueView::Push FrameQueueView::push(PendingFrame& frame, std::size_t budgetBytes,
                                          const StallLimits& limits, std::int64_t notBefore) {
    {
        std::unique_lock lock(mutex_);
        const std::size_t size = frame.pixels.size;
        const auto fits = [&] {
            return queue_.empty() || bytesLocked() + size <= budgetBytes || !running_.load();
        };
        while (!fits()) {
            // Re-read at every wake: each step of the writer moves the deadline.
            const std::int64_t deadline = std::max(writer_.progressAt.load(), notBefore) +
                                          limits.forFrame(writer_.busyFrame.load());
            if (steadyNanoseconds() >= deadline)
                return Push::writerStuck;
            ready_.wait_until(
                lock, std::chrono::steady_clock::time_point(std::chrono::nanoseconds(deadline)));
        }
        queue_.push_back(std::move(frame));
    }
    ready_.notify_all();
    return Push::queued;
}

bool FrameQueueView::pop(PendingFrame& frame) {
    {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [&] { return !queue_.empty() || !running_.load(); });
        if (queue_.empty())
            return false;
        frame = std::move(queue_.front());
        queue_.pop_front();
        writer_.stepped();
    }
    ready_.notify_all();
    return true;
}

std::size_t FrameQueueView::dropPass(PassKind pass) {
    std::size_t dropped = 0;
    {
        std::lock_guard lock(mutex_);
        dropped = std::erase_if(queue_, [pass](const PendingFrame& f) { return f.pass == pass; });
    }
    ready_.notify_all();
    return dropped;
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
