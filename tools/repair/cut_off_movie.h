#pragma once
// A ProRes recording that FFmpeg did not finish: what is in it, and the
// repaired file made from it, which holds every whole frame behind an index
// built from the frames themselves.

#include "mov_atoms.h"
#include "mov_index.h"
#include "prores_frames.h"

#include <filesystem>
#include <string>
#include <vector>

struct CutOffMovie {
    AtomHeader mdat;
    bool roomForLargeSize = false;
    ProResFrames frames;
};

// Checks that bytes are a cut-off ProRes recording with at least one whole
// frame and says what is in it; otherwise why is one line saying why not
// ("is not a QuickTime .mov file", ...).
bool analyseCutOffMovie(MovBytes& bytes, CutOffMovie& movie, std::string& why);

// A line on what the end of the data held besides the whole frames, or empty.
std::string describeLeftOut(const CutOffMovie& movie);

// The bytes that close the media data atom after the last whole frame, and
// where they go: a 32-bit size where it fits, else a 64-bit one (in the room
// FFmpeg left for it when the atom's header has 8 bytes).
struct MediaDataClose {
    std::uint64_t at = 0;
    std::vector<std::uint8_t> bytes;
};
MediaDataClose closeMediaData(const CutOffMovie& movie);

// Writes the repaired file: the input up to the end of its last whole frame,
// its media data atom closed there, and the index after it. Written under a
// temporary name and renamed when complete; never over an existing file.
bool writeRepairedMovie(const std::filesystem::path& input, const std::filesystem::path& output,
                        const CutOffMovie& movie, const MovTrack& track, std::string& error);
