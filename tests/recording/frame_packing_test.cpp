// Packing mapped readback rows into queued frames: every shape a driver may
// hand out (padded pitch, rows of any alignment, mappings narrower or shorter
// than the frame) gives the same bytes as a byte-by-byte copy, nothing is
// written past the frame nor read past the mapping, and large frames, which
// take the streaming path into system memory, come out the same.
#include "recording/frame_buffer_pool.h"
#include "recording/frame_memory.h"
#include "recording/frame_packing.h"
#include "recording/frame_queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The shapes called large below must take the streaming path.
static_assert(std::size_t{723} * 400 * 4 >= largeFrameBytes);

struct Shape {
    std::size_t width, height, pitch, mappedRows, mappedRowBytes;
};

// Exactly the bytes the mapping covers: the last row ends at its readable
// bytes, so AddressSanitizer sees any read past it.
std::vector<std::uint8_t> mappingOf(const Shape& s) {
    const std::size_t size =
        s.mappedRows == 0 ? 0 : (s.mappedRows - 1) * s.pitch + s.mappedRowBytes;
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 131 + i / s.pitch * 7 + 1);
    return bytes;
}

// What frame row r, byte c must hold, one byte at a time.
std::uint8_t expectedByte(const Shape& s, const std::vector<std::uint8_t>& mapping, RowOrder order,
                          std::size_t r, std::size_t c) {
    const std::size_t source = order == RowOrder::Reversed ? s.height - 1 - r : r;
    if (source >= s.mappedRows || c >= s.mappedRowBytes || c >= s.pitch)
        return 0;
    return mapping[source * s.pitch + c];
}

void expectPacked(const std::uint8_t* frame, const Shape& s,
                  const std::vector<std::uint8_t>& mapping, RowOrder order) {
    const std::size_t rowBytes = s.width * 4;
    std::size_t wrong = 0;
    for (std::size_t r = 0; r < s.height; ++r)
        for (std::size_t c = 0; c < rowBytes; ++c)
            if (frame[r * rowBytes + c] != expectedByte(s, mapping, order, r, c) && wrong++ < 3)
                ADD_FAILURE() << "row " << r << " byte " << c << " of " << s.width << "x"
                              << s.height << " pitch " << s.pitch;
    EXPECT_EQ(wrong, 0u);
}

TEST(FramePacking, EveryShapeGivesTheBytesOfAPlainCopy) {
    const Shape shapes[] = {
        {5, 3, 32, 3, 20},           // tiny, padded
        {7, 4, 28, 4, 28},           // no padding, rows 12 bytes off alignment
        {640, 480, 2816, 480, 2560}, // large, aligned rows
        {723, 400, 2900, 400, 2892}, // large, every row starting off alignment
        {723, 400, 2900, 250, 2892}, // the mapping ends early
        {723, 400, 2900, 400, 1000}, // the mapping is narrower than the frame
        {723, 400, 2000, 400, 2892}, // the pitch is narrower than the frame
        {16, 2, 64, 0, 0},           // nothing mapped
    };
    for (const Shape& s : shapes) {
        const auto mapping = mappingOf(s);
        const MappedPicture picture{mapping.data(), s.pitch, s.mappedRows, s.mappedRowBytes};
        const std::size_t frameSize = s.width * 4 * s.height;
        for (const RowOrder order : {RowOrder::AsMapped, RowOrder::Reversed}) {
            // Starting one byte in puts the first row off alignment too; the
            // guard bytes after the frame must stay as they are.
            std::vector<std::uint8_t> target(frameSize + 1 + 64, 0xA5);
            packFrame(target.data() + 1, s.width * 4, s.height, picture, order);
            expectPacked(target.data() + 1, s, mapping, order);
            EXPECT_EQ(target[0], 0xA5);
            for (std::size_t i = frameSize + 1; i < target.size(); ++i)
                ASSERT_EQ(target[i], 0xA5) << "written past the frame";
        }
    }
}

TEST(FramePacking, LargeFramesComeOutWholeRoundAfterRound) {
    // Over a megabyte: the buffer comes from the system, not the heap.
    const Shape s{1001, 600, 4096, 600, 4004};
    const std::size_t frameSize = s.width * 4 * s.height;
    const auto mapping = mappingOf(s);
    const MappedPicture picture{mapping.data(), s.pitch, s.mappedRows, s.mappedRowBytes};
    FrameBufferPool buffers;
    for (int round = 0; round < 3; ++round) {
        FrameBytes frame = buffers.allocate(frameSize);
        ASSERT_EQ(frame.size, frameSize);
        // Stale bytes from the previous round must all be overwritten.
        packFrame(frame.data.get(), s.width * 4, s.height, picture,
                  round % 2 ? RowOrder::Reversed : RowOrder::AsMapped);
        expectPacked(frame.data.get(), s, mapping,
                     round % 2 ? RowOrder::Reversed : RowOrder::AsMapped);
    }
}

} // namespace
