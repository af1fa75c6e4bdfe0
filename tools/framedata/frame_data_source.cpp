#include "frame_data_source.h"

#include <cstring>

FrameDataSource::FrameDataSource(std::string_view text)
    : p(text.data()), end(text.data() + text.size()), windowStart_(text.data()) {}

FrameDataSource::FrameDataSource(std::istream& in, std::size_t capacity)
    : in_(&in), buffer_(new char[capacity]), capacity_(capacity), atFileEnd_(false) {
    p = end = windowStart_ = buffer_.get();
}

void FrameDataSource::refill() {
    // What is left moves to the front; the reader never needs more than a
    // small part of the window at once, so there is room behind it.
    const std::size_t kept = static_cast<std::size_t>(end - p);
    windowOffset_ += static_cast<std::size_t>(p - windowStart_);
    std::memmove(buffer_.get(), p, kept);
    p = windowStart_ = buffer_.get();
    std::size_t filled = kept;
    while (filled < capacity_ && !atFileEnd_) {
        in_->read(buffer_.get() + filled, static_cast<std::streamsize>(capacity_ - filled));
        filled += static_cast<std::size_t>(in_->gcount());
        // A short read sets eof (the end) or bad (a read error).
        if (!*in_) {
            readFailed_ = in_->bad();
            atFileEnd_ = true;
        }
    }
    end = buffer_.get() + filled;
}
