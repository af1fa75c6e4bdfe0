#include "mov_index.h"

#include <cstring>

namespace {

class AtomWriter {
public:
    void begin(const char* type) {
        open_.push_back(bytes_.size());
        u32(0);
        tag(type);
    }
    void end() {
        const std::size_t start = open_.back();
        open_.pop_back();
        const auto size = static_cast<std::uint32_t>(bytes_.size() - start);
        for (int i = 0; i < 4; ++i)
            bytes_[start + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(size >> (24 - 8 * i));
    }
    void u8(std::uint32_t value) { bytes_.push_back(static_cast<std::uint8_t>(value)); }
    void u16(std::uint32_t value) {
        u8(value >> 8);
        u8(value);
    }
    void u32(std::uint32_t value) {
        u16(value >> 16);
        u16(value);
    }
    void u64(std::uint64_t value) {
        u32(static_cast<std::uint32_t>(value >> 32));
        u32(static_cast<std::uint32_t>(value));
    }
    void zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }
    void tag(const char* type) { bytes_.insert(bytes_.end(), type, type + 4); }
    // A Pascal string (a length byte, then the text) in a field of width bytes.
    void pascal(const std::string& text, std::size_t width) {
        u8(static_cast<std::uint32_t>(text.size()));
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        zeros(width - 1 - text.size());
    }
    void matrix() {
        // The identity in QuickTime's fixed-point: 16.16, with 2.30 in the last column.
        const std::uint32_t identity[9] = {0x10000, 0, 0, 0, 0x10000, 0, 0, 0, 0x40000000};
        for (std::uint32_t value : identity)
            u32(value);
    }
    std::vector<std::uint8_t> take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
    std::vector<std::size_t> open_;
};

constexpr std::uint32_t movieTimescale = 1000;

std::string compressorName(const std::string& codec) {
    return "Apple " + proResProfileName(codec);
}

} // namespace

void timingForRate(std::uint32_t fps, std::uint32_t& timescale, std::uint32_t& sampleDelta) {
    timescale = fps;
    sampleDelta = 1;
    while (timescale < 10000) {
        timescale *= 2;
        sampleDelta *= 2;
    }
}

std::vector<std::uint8_t> buildMovieAtom(const MovTrack& track,
                                         const std::vector<std::uint32_t>& sizes,
                                         std::uint64_t first) {
    const auto count = static_cast<std::uint32_t>(sizes.size());
    const std::uint64_t mediaDuration = std::uint64_t{count} * track.sampleDelta;
    const auto movieDuration =
        static_cast<std::uint32_t>(mediaDuration * movieTimescale / track.timescale);
    std::uint64_t last = first;
    for (std::size_t i = 0; i + 1 < sizes.size(); ++i)
        last += sizes[i];
    const bool largeOffsets = last > 0xffffffffu;

    AtomWriter w;
    w.begin("moov");
    w.begin("mvhd");
    w.u32(0);   // version, flags
    w.zeros(8); // creation and modification times
    w.u32(movieTimescale);
    w.u32(movieDuration);
    w.u32(0x10000); // rate 1.0
    w.u16(0x100);   // volume 1.0
    w.zeros(10);
    w.matrix();
    w.zeros(24); // preview, poster, selection and current times
    w.u32(2);    // next track ID
    w.end();

    w.begin("trak");
    w.begin("tkhd");
    w.u32(0x3); // enabled, in the movie
    w.zeros(8);
    w.u32(1); // track ID
    w.zeros(4);
    w.u32(movieDuration);
    w.zeros(8);
    w.zeros(8); // layer, alternate group, volume, reserved
    w.matrix();
    w.u32(std::uint32_t{track.format.width} << 16);
    w.u32(std::uint32_t{track.format.height} << 16);
    w.end();

    w.begin("edts");
    w.begin("elst");
    w.u32(0);
    w.u32(1);
    w.u32(movieDuration);
    w.u32(0);       // media time
    w.u32(0x10000); // rate 1.0
    w.end();
    w.end();

    w.begin("mdia");
    w.begin("mdhd");
    w.u32(0);
    w.zeros(8);
    w.u32(track.timescale);
    w.u32(static_cast<std::uint32_t>(mediaDuration));
    w.u16(0x7fff); // language: unspecified
    w.u16(0);      // quality
    w.end();
    w.begin("hdlr");
    w.u32(0);
    w.tag("mhlr");
    w.tag("vide");
    w.zeros(12);
    w.pascal("VideoHandler", 13);
    w.end();

    w.begin("minf");
    w.begin("vmhd");
    w.u32(0x1);
    w.zeros(8); // graphics mode, colour
    w.end();
    w.begin("hdlr");
    w.u32(0);
    w.tag("dhlr");
    w.tag("url ");
    w.zeros(12);
    w.pascal("DataHandler", 12);
    w.end();
    w.begin("dinf");
    w.begin("dref");
    w.u32(0);
    w.u32(1);
    w.begin("url ");
    w.u32(0x1); // the data is in this file
    w.end();
    w.end();
    w.end();

    w.begin("stbl");
    w.begin("stsd");
    w.u32(0);
    w.u32(1);
    w.begin(track.codec.c_str());
    w.zeros(6);
    w.u16(1);     // data reference
    w.zeros(8);   // version, revision, vendor
    w.u32(0);     // temporal quality
    w.u32(0x200); // spatial quality: normal
    w.u16(track.format.width);
    w.u16(track.format.height);
    w.u32(72 << 16); // 72 dpi across and down
    w.u32(72 << 16);
    w.u32(0);
    w.u16(1); // frames per sample
    w.pascal(compressorName(track.codec), 32);
    w.u16(24);     // depth: colour without alpha
    w.u16(0xffff); // no colour table
    w.begin("fiel");
    // Progressive, or two fields with the first on top (9) or below (14).
    w.u8(track.format.interlace == 0 ? 1 : 2);
    w.u8(track.format.interlace == 0 ? 0 : track.format.interlace == 1 ? 9 : 14);
    w.end();
    w.end();
    w.end();

    w.begin("stts");
    w.u32(0);
    w.u32(1);
    w.u32(count);
    w.u32(track.sampleDelta);
    w.end();

    w.begin("stsc");
    w.u32(0);
    w.u32(1);
    w.u32(1); // from the first chunk on,
    w.u32(1); // one frame a chunk,
    w.u32(1); // with the first description
    w.end();

    w.begin("stsz");
    w.u32(0);
    w.u32(0); // sizes differ
    w.u32(count);
    for (std::uint32_t size : sizes)
        w.u32(size);
    w.end();

    w.begin(largeOffsets ? "co64" : "stco");
    w.u32(0);
    w.u32(count);
    std::uint64_t offset = first;
    for (std::uint32_t size : sizes) {
        if (largeOffsets)
            w.u64(offset);
        else
            w.u32(static_cast<std::uint32_t>(offset));
        offset += size;
    }
    w.end();

    w.end(); // stbl
    w.end(); // minf
    w.end(); // mdia
    w.end(); // trak
    w.end(); // moov
    return w.take();
}
