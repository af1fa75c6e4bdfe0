#pragma once
// Memory for large frame buffers straight from the system, page aligned and
// ready to be written. Small buffers stay on the ordinary heap, where the
// sanitizers watch them.

#include <cstddef>
#include <cstdint>

// Buffers at least this large come from here, and are packed with streaming
// stores: a 1080p frame is 8 MB.
inline constexpr std::size_t largeFrameBytes = std::size_t{1} << 20;

// Null when the system has no memory to give.
std::uint8_t* reserveFrameMemory(std::size_t size);

// Gives back what reserveFrameMemory returned for the same size.
void releaseFrameMemory(std::uint8_t* memory, std::size_t size);
