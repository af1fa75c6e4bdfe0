#pragma once
// The buffers that frames are packed into, kept for the next frame of the
// same size once the writer has fed them to their encoder: a fresh 8 MB
// buffer costs the render thread page faults, a spare one is already mapped.

#include "recording/recording_types.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

class FrameBufferPool {
public:
    FrameBufferPool();
    ~FrameBufferPool();
    FrameBufferPool(const FrameBufferPool&) = delete;
    FrameBufferPool& operator=(const FrameBufferPool&) = delete;

    // A spare buffer of this size, or a new one; throws std::bad_alloc when
    // the system has none to give. Its bytes are not zero-filled: every one
    // is packed over. The pool must outlive it.
    FrameBytes allocate(std::size_t size);

    // Called by a buffer's deleter: kept as a spare, or given back.
    void recycle(std::uint8_t* buffer, std::size_t size) noexcept;

private:
    std::mutex mutex_;
    // The most recently returned last: it is the likeliest still to be in
    // the caches and the TLB.
    std::vector<std::pair<std::size_t, std::uint8_t*>> spares_;
};
