#include "prores_frames.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// What a frame must hold before its header can be read: its size, "icpf",
// and the frame header up to its alpha byte.
constexpr std::size_t frameStart = 8;
constexpr std::size_t headerNeeded = 20;

enum class Found { Frame, CutOff, NotAFrame };

// Reads the header of the frame at offset; why says what is wrong when it
// is not a frame.
Found readFrameHeader(MovBytes& bytes, std::uint64_t offset, std::uint64_t to, std::uint32_t& size,
                      ProResFormat& format, std::string& why) {
    std::array<std::uint8_t, frameStart + headerNeeded> head{};
    const std::size_t got = bytes.read(offset, head);
    const std::uint64_t there = std::min<std::uint64_t>(got, to - offset);
    // A frame's start, as far as it reached the disk, may be all there is:
    // as much of "icpf" as is there must match.
    const auto typeThere =
        static_cast<std::size_t>(there > 4 ? std::min<std::uint64_t>(4, there - 4) : 0);
    if (std::memcmp(head.data() + 4, "icpf", typeThere) != 0) {
        why = "no ProRes frame starts there";
        return Found::NotAFrame;
    }
    if (there < head.size())
        return Found::CutOff;
    size = bigEndian32(head.data());
    const std::uint8_t* h = head.data() + frameStart;
    const std::uint16_t headerSize = bigEndian16(h);
    const std::uint16_t version = bigEndian16(h + 2);
    format.width = bigEndian16(h + 8);
    format.height = bigEndian16(h + 10);
    const std::uint8_t flags = h[12];
    format.chroma = static_cast<std::uint8_t>(flags >> 6);
    format.interlace = static_cast<std::uint8_t>((flags >> 2) & 3);
    format.alpha = static_cast<std::uint8_t>(h[17] & 0x0f);
    if (headerSize < headerNeeded || version > 1 || format.width == 0 || format.height == 0 ||
        (format.chroma != 2 && format.chroma != 3) || format.interlace == 3) {
        why = "its ProRes frame header is not sound";
        return Found::NotAFrame;
    }
    // The pictures follow the header: a frame is larger than both together.
    if (size <= frameStart + headerSize) {
        why = "its size is too small for a ProRes frame";
        return Found::NotAFrame;
    }
    return Found::Frame;
}

} // namespace

ProResFrames scanProResFrames(MovBytes& bytes, std::uint64_t from, std::uint64_t to) {
    ProResFrames frames;
    frames.first = frames.stopAt = from;
    to = std::min(to, bytes.size());
    std::uint64_t at = from;
    while (at < to) {
        std::uint32_t size = 0;
        ProResFormat format;
        std::string why;
        const Found found = readFrameHeader(bytes, at, to, size, format, why);
        if (found == Found::CutOff) {
            frames.stop = ProResFrames::Stop::CutFrame;
            frames.cutPresent = to - at;
            return frames;
        }
        if (found == Found::NotAFrame) {
            frames.stop = ProResFrames::Stop::NotAFrame;
            frames.notAFrameWhy = why;
            return frames;
        }
        if (frames.sizes.empty()) {
            frames.format = format;
        } else if (!(format == frames.format)) {
            frames.stop = ProResFrames::Stop::NotAFrame;
            frames.notAFrameWhy =
                "its picture size or chroma format differs from the frames before";
            return frames;
        }
        if (size > to - at) {
            frames.stop = ProResFrames::Stop::CutFrame;
            frames.cutSize = size;
            frames.cutPresent = to - at;
            return frames;
        }
        frames.sizes.push_back(size);
        at += size;
        frames.stopAt = at;
    }
    frames.stop = ProResFrames::Stop::End;
    return frames;
}

const char* proResCodecFor(const ProResFormat& format) {
    return format.chroma == 3 ? "ap4h" : "apch";
}

std::string proResProfileName(const std::string& codec) {
    if (codec == "apco")
        return "ProRes 422 Proxy";
    if (codec == "apcs")
        return "ProRes 422 LT";
    if (codec == "apcn")
        return "ProRes 422";
    if (codec == "apch")
        return "ProRes 422 HQ";
    if (codec == "ap4h")
        return "ProRes 4444";
    if (codec == "ap4x")
        return "ProRes 4444 XQ";
    return "ProRes (" + codec + ")";
}
