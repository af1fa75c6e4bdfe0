#include "recording/frame_packing.h"

#include "recording/frame_memory.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define KIVREN_STREAMING_STORES 1
#endif

namespace {

// A queued frame is read next by the writer thread, often a good while
// later: a large frame only evicts the game's own data from the render
// thread's caches, and each cache line it misses costs a read for ownership
// on top of the write. Large frames live in memory populated up front, so the
// streaming stores never land on pages a fault has just zeroed through the
// caches, which would make them slower than plain ones.
constexpr std::size_t streamingThreshold = largeFrameBytes;

#ifdef KIVREN_STREAMING_STORES

void streamRow(std::uint8_t* target, const std::uint8_t* source, std::size_t size) {
    // Streaming stores need a 16-byte aligned target; rows of an odd width
    // start anywhere.
    const auto misalignment = reinterpret_cast<std::uintptr_t>(target) & 15u;
    const std::size_t head = std::min(size, misalignment ? 16 - misalignment : std::size_t{0});
    std::memcpy(target, source, head);
    std::size_t i = head;
    for (; i + 64 <= size; i += 64) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i + 32));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i + 48));
        _mm_stream_si128(reinterpret_cast<__m128i*>(target + i), a);
        _mm_stream_si128(reinterpret_cast<__m128i*>(target + i + 16), b);
        _mm_stream_si128(reinterpret_cast<__m128i*>(target + i + 32), c);
        _mm_stream_si128(reinterpret_cast<__m128i*>(target + i + 48), d);
    }
    for (; i + 16 <= size; i += 16)
        _mm_stream_si128(reinterpret_cast<__m128i*>(target + i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i)));
    std::memcpy(target + i, source + i, size - i);
}

// Streaming stores are weakly ordered: they must be visible before the frame
// is handed to the writer thread.
void finishStreaming() {
    _mm_sfence();
}

#else

void streamRow(std::uint8_t* target, const std::uint8_t* source, std::size_t size) {
    std::memcpy(target, source, size);
}
void finishStreaming() {}

#endif

} // namespace

void packFrame(std::uint8_t* target, std::size_t frameRowBytes, std::size_t frameHeight,
               const MappedPicture& picture, RowOrder rowOrder) {
    const std::size_t copied = std::min({frameRowBytes, picture.rowBytes, picture.rowPitch});
    const bool streaming = frameRowBytes * frameHeight >= streamingThreshold;
    for (std::size_t i = 0; i < frameHeight; ++i) {
        std::uint8_t* row = target + i * frameRowBytes;
        const std::size_t source = rowOrder == RowOrder::Reversed ? frameHeight - 1 - i : i;
        if (source >= picture.rows) {
            std::memset(row, 0, frameRowBytes);
            continue;
        }
        const std::uint8_t* from = picture.data + source * picture.rowPitch;
        if (streaming)
            streamRow(row, from, copied);
        else
            std::memcpy(row, from, copied);
        std::memset(row + copied, 0, frameRowBytes - copied);
    }
    if (streaming)
        finishStreaming();
}
