#pragma once
// Test material for the repair: a whole ProRes file made by FFmpeg, taken
// apart into what FFmpeg leaves on disk when it is stopped part-way.

#include <cstdint>
#include <string>
#include <vector>

struct WholeMovie {
    std::string ftyp;  // the whole "ftyp" atom
    std::string media; // the content of "mdat": the frames back to back
    std::vector<std::uint32_t> frameSizes;
};

// Splits a whole .mov file's bytes; the frames are found by their sizes.
WholeMovie takeApart(const std::string& file);

// The file as FFmpeg leaves it when stopped after `kept` bytes of media data:
// "ftyp", an 8-byte "wide", an "mdat" whose size is still 0, and the media data
// up to there.
std::string cutOffAt(const WholeMovie& movie, std::size_t kept);

// The byte where frame n (from 0) of the media data ends.
std::size_t frameEnd(const WholeMovie& movie, std::size_t n);
