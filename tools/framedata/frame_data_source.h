#pragma once
// The bytes of a frame data log as the reader sees them: a window that moves
// through the file. A log in memory is one window; a file is read into a
// buffer of fixed size, so that no part of it is kept longer than the reader
// needs it.

#include <cstddef>
#include <istream>
#include <memory>
#include <string_view>

class FrameDataSource {
public:
    explicit FrameDataSource(std::string_view text);
    explicit FrameDataSource(std::istream& in, std::size_t capacity = 1 << 18);

    // The window: the reader moves p forward up to end.
    const char* p = nullptr;
    const char* end = nullptr;

    // Makes at least n bytes from p on available, unless the file ends
    // first. Moves the window: pointers into it other than p are then stale.
    void ensure(std::size_t n) {
        if (static_cast<std::size_t>(end - p) < n && !atFileEnd_)
            refill();
    }
    // No byte of the file lies beyond end.
    bool atFileEnd() const { return atFileEnd_; }
    bool readFailed() const { return readFailed_; }

    std::size_t offsetOf(const char* at) const {
        return windowOffset_ + static_cast<std::size_t>(at - windowStart_);
    }
    // The byte at a file offset that is still in the window.
    const char* at(std::size_t offset) const { return windowStart_ + (offset - windowOffset_); }

private:
    void refill();

    std::istream* in_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    const char* windowStart_ = nullptr;
    std::size_t windowOffset_ = 0; // of windowStart_ in the file
    bool atFileEnd_ = true;
    bool readFailed_ = false;
};
