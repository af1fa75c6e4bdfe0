#pragma once
// Packing a mapped readback texture into a queued frame: the driver's row
// pitch padding dropped, the rows put top row first.

#include "recording/recording_types.h"

#include <cstddef>
#include <cstdint>

// What the driver handed out for one readback texture.
struct MappedPicture {
    const std::uint8_t* data = nullptr;
    std::size_t rowPitch = 0;
    std::size_t rows = 0;     // rows that may be read
    std::size_t rowBytes = 0; // bytes of each row that may be read
};

// Fills target (frameRowBytes x frameHeight bytes) from the picture. Bytes
// the mapping does not cover are black: nothing is read past the mapping.
void packFrame(std::uint8_t* target, std::size_t frameRowBytes, std::size_t frameHeight,
               const MappedPicture& picture, RowOrder rowOrder);
