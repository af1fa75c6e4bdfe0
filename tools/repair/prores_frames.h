#pragma once
// Finds the ProRes frames in the media data of a file that FFmpeg was
// writing. FFmpeg writes each encoded frame whole and back to back, and each
// starts with its own size and the type "icpf", so the frames can be walked
// one after another without the index; the last may be cut off where the
// writing stopped. Every frame header also holds the picture size and the
// chroma format.

#include "mov_bytes.h"

#include <cstdint>
#include <string>
#include <vector>

struct ProResFormat {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t chroma = 0;    // 2: 4:2:2, 3: 4:4:4
    std::uint8_t interlace = 0; // 0 progressive, 1 top field first, 2 bottom field first
    std::uint8_t alpha = 0;     // 0 none

    bool operator==(const ProResFormat&) const = default;
};

struct ProResFrames {
    std::uint64_t first = 0; // offset of the first frame
    std::vector<std::uint32_t> sizes;
    ProResFormat format;

    // Why the walk stopped after the last whole frame.
    enum class Stop {
        End,       // the data ended with the last whole frame
        CutFrame,  // a frame whose header is sound runs past the end of the data
        NotAFrame, // bytes that are not a frame of this picture
    };
    Stop stop = Stop::End;
    std::uint64_t stopAt = 0;  // offset just after the last whole frame
    std::uint64_t cutSize = 0; // Stop::CutFrame: the frame's size, and what of it is there
    std::uint64_t cutPresent = 0;
    std::string notAFrameWhy; // Stop::NotAFrame

    std::uint64_t end() const { return stopAt; }
};

// Walks the frames in [from, to).
ProResFrames scanProResFrames(MovBytes& bytes, std::uint64_t from, std::uint64_t to);

// "ProRes 422" or "ProRes 4444" and the usual sample description type that
// Kivren2's encoder gives each: 4:2:2 is recorded as 422 HQ ("apch"), 4:4:4
// as 4444 ("ap4h").
const char* proResCodecFor(const ProResFormat& format);
std::string proResProfileName(const std::string& codec);
