#pragma once
// The index ("moov" atom) of a QuickTime file with one ProRes video track,
// as FFmpeg writes it for Kivren2's recordings: the track's timing, its
// sample description and a table of where each frame lies. One frame a
// chunk, so that each frame's place is written out and any player finds it.

#include "prores_frames.h"

#include <cstdint>
#include <string>
#include <vector>

struct MovTrack {
    std::string codec; // sample description type: "apch", "ap4h", ...
    ProResFormat format;
    std::uint32_t timescale = 0;   // units per second
    std::uint32_t sampleDelta = 0; // units per frame
};

// The index of frames of the given sizes lying back to back from first on.
std::vector<std::uint8_t>
buildMovieAtom(const MovTrack& track, const std::vector<std::uint32_t>& sizes, std::uint64_t first);

// The time scale and frame duration that FFmpeg chooses for a whole frame
// rate: the rate doubled until it reaches 10000 units a second.
void timingForRate(std::uint32_t fps, std::uint32_t& timescale, std::uint32_t& sampleDelta);
