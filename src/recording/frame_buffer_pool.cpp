#include "recording/frame_buffer_pool.h"

#include "recording/frame_memory.h"

#include <iterator>
#include <new>

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

} // namespace

void RecycleFrameBuffer::operator()(std::uint8_t* buffer) const noexcept {
    pool->recycle(buffer, size);
}

FrameBufferPool::FrameBufferPool() {
    spares_.reserve(spareBufferLimit);
}

FrameBufferPool::~FrameBufferPool() {
    for (auto& [size, buffer] : spares_)
        deleteBuffer(buffer, size);
}

void FrameBufferPool::recycle(std::uint8_t* buffer, std::size_t size) noexcept {
    {
        std::lock_guard lock(mutex_);
        // Room was reserved up front: remembering a spare never allocates.
        if (spares_.size() < spareBufferLimit) {
            spares_.emplace_back(size, buffer);
            return;
        }
    }
    deleteBuffer(buffer, size);
}

FrameBytes FrameBufferPool::allocate(std::size_t size) {
    {
        std::lock_guard lock(mutex_);
        for (auto it = spares_.rbegin(); it != spares_.rend(); ++it) {
            if (it->first == size) {
                std::uint8_t* buffer = it->second;
                spares_.erase(std::next(it).base());
                return {{buffer, RecycleFrameBuffer{this, size}}, size};
            }
        }
    }
    std::uint8_t* buffer = newBuffer(size);
    if (!buffer)
        throw std::bad_alloc();
    return {{buffer, RecycleFrameBuffer{this, size}}, size};
}
