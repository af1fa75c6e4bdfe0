#pragma once
// QuickTime's atoms as far as a repair needs them: the top level of a file
// that FFmpeg was writing when it stopped, and the video track of a whole
// file. An atom is a 32-bit size (1: a 64-bit size follows; 0: it runs to
// the end of the file), a four-character type, then its content.

#include "mov_bytes.h"

#include <cstdint>
#include <optional>
#include <string>

struct AtomHeader {
    std::string type;
    std::uint64_t offset = 0;
    std::uint64_t size = 0; // header included; for a size field of 0, up to the end of the file
    std::uint32_t headerSize = 8;
    bool toFileEnd = false; // its size field is 0, as in a file FFmpeg had not finished
};

// The atom at offset, which must lie within limit. False when no whole
// header fits before limit or the size is smaller than the header.
bool readAtomHeader(MovBytes& bytes, std::uint64_t offset, std::uint64_t limit, AtomHeader& atom);

// The top level of a file as FFmpeg leaves it when it is stopped before the
// end: "ftyp", "wide", then "mdat" with the frames, and no "moov" (the index
// that FFmpeg writes last).
struct MovLayout {
    bool quickTime = false;         // starts with an atom a QuickTime file starts with
    bool hasIndex = false;          // a whole "moov" atom is there
    std::optional<AtomHeader> mdat; // the first "mdat"
    // An 8-byte "wide" (or "free") atom just before the mdat: FFmpeg leaves
    // it there so that the mdat's size can grow to 64 bits in place.
    bool roomForLargeSize = false;
};
MovLayout readMovLayout(MovBytes& bytes);

// What the video track of a whole file says.
struct VideoTrack {
    std::string codec; // the sample description's type, such as "apch"
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint32_t timescale = 0;   // units per second
    std::uint32_t sampleDelta = 0; // units per frame (the first run of the time table)
    std::uint64_t frames = 0;
};
// False, with why, when the file has no index or no readable video track.
bool readVideoTrack(MovBytes& bytes, VideoTrack& track, std::string& why);
