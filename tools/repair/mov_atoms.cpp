#include "mov_atoms.h"

#include <array>
#include <vector>

namespace {

// Types a QuickTime or MPEG-4 file may start with.
bool startsAFile(const std::string& type) {
    for (const char* known : {"ftyp", "wide", "free", "skip", "mdat", "moov", "pnot"})
        if (type == known)
            return true;
    return false;
}

// The first child of parent with the given type.
std::optional<AtomHeader> child(MovBytes& bytes, const AtomHeader& parent, const char* type,
                                std::uint64_t skip = 0) {
    const std::uint64_t end = parent.offset + parent.size;
    std::uint64_t at = parent.offset + parent.headerSize + skip;
    AtomHeader atom;
    while (at < end && readAtomHeader(bytes, at, end, atom)) {
        if (atom.type == type)
            return atom;
        at += atom.size;
    }
    return std::nullopt;
}

std::optional<AtomHeader> path(MovBytes& bytes, AtomHeader atom,
                               std::initializer_list<const char*> types) {
    for (const char* type : types) {
        const auto next = child(bytes, atom, type);
        if (!next)
            return std::nullopt;
        atom = *next;
    }
    return atom;
}

bool content(MovBytes& bytes, const AtomHeader& atom, std::vector<std::uint8_t>& out,
             std::size_t want) {
    if (atom.size - atom.headerSize < want)
        return false;
    out.resize(want);
    return bytes.readExactly(atom.offset + atom.headerSize, out);
}

} // namespace

bool readAtomHeader(MovBytes& bytes, std::uint64_t offset, std::uint64_t limit, AtomHeader& atom) {
    std::array<std::uint8_t, 16> head{};
    if (offset > limit || limit - offset < 8 || !bytes.readExactly(offset, {head.data(), 8}))
        return false;
    atom.type = std::string(fourCc(head.data() + 4));
    atom.offset = offset;
    atom.headerSize = 8;
    atom.toFileEnd = false;
    const std::uint32_t size = bigEndian32(head.data());
    if (size == 1) {
        if (limit - offset < 16 || !bytes.readExactly(offset + 8, {head.data() + 8, 8}))
            return false;
        atom.headerSize = 16;
        atom.size = bigEndian64(head.data() + 8);
    } else if (size == 0) {
        atom.toFileEnd = true;
        atom.size = limit - offset;
    } else {
        atom.size = size;
    }
    return atom.size >= atom.headerSize;
}

MovLayout readMovLayout(MovBytes& bytes) {
    MovLayout layout;
    const std::uint64_t end = bytes.size();
    std::uint64_t at = 0;
    AtomHeader atom, previous;
    bool first = true;
    while (at < end && readAtomHeader(bytes, at, end, atom)) {
        if (first && !startsAFile(atom.type))
            return layout;
        if (first)
            layout.quickTime = true;
        first = false;
        const bool whole = atom.size <= end - at;
        if (atom.type == "moov" && whole)
            layout.hasIndex = true;
        if (atom.type == "mdat" && !layout.mdat) {
            layout.mdat = atom;
            layout.roomForLargeSize = atom.headerSize == 8 && previous.size == 8 &&
                                      previous.offset + 8 == at &&
                                      (previous.type == "wide" || previous.type == "free");
        }
        if (!whole || atom.toFileEnd)
            break;
        previous = atom;
        at += atom.size;
    }
    return layout;
}

bool readVideoTrack(MovBytes& bytes, VideoTrack& track, std::string& why) {
    const std::uint64_t end = bytes.size();
    std::uint64_t at = 0;
    AtomHeader moov;
    bool found = false;
    while (at < end && readAtomHeader(bytes, at, end, moov)) {
        if (moov.type == "moov" && moov.size <= end - at) {
            found = true;
            break;
        }
        if (moov.toFileEnd || moov.size > end - at)
            break;
        at += moov.size;
    }
    if (!found) {
        why = "it has no index (moov atom)";
        return false;
    }
    // The first track whose handler is video.
    std::uint64_t skip = 0;
    std::vector<std::uint8_t> data;
    for (;;) {
        const auto trak = child(bytes, moov, "trak", skip);
        if (!trak) {
            why = "it has no video track";
            return false;
        }
        skip = trak->offset + trak->size - moov.offset - moov.headerSize;
        const auto hdlr = path(bytes, *trak, {"mdia", "hdlr"});
        if (!hdlr || !content(bytes, *hdlr, data, 12) || fourCc(data.data() + 8) != "vide")
            continue;
        const auto mdhd = path(bytes, *trak, {"mdia", "mdhd"});
        const auto stbl = path(bytes, *trak, {"mdia", "minf", "stbl"});
        if (!mdhd || !stbl || !content(bytes, *mdhd, data, 4))
            break;
        // Version 1 has 64-bit times before the time scale.
        const std::size_t scaleAt = data[0] == 1 ? 20 : 12;
        if (!content(bytes, *mdhd, data, scaleAt + 4))
            break;
        track.timescale = bigEndian32(data.data() + scaleAt);

        const auto stsd = child(bytes, *stbl, "stsd");
        if (!stsd || !content(bytes, *stsd, data, 8 + 36))
            break;
        track.codec = std::string(fourCc(data.data() + 12));
        track.width = bigEndian16(data.data() + 8 + 32);
        track.height = bigEndian16(data.data() + 8 + 34);

        const auto stts = child(bytes, *stbl, "stts");
        if (!stts || !content(bytes, *stts, data, 16) || bigEndian32(data.data() + 4) == 0)
            break;
        track.sampleDelta = bigEndian32(data.data() + 12);

        const auto stsz = child(bytes, *stbl, "stsz");
        if (!stsz || !content(bytes, *stsz, data, 12))
            break;
        track.frames = bigEndian32(data.data() + 8);
        if (track.timescale == 0 || track.sampleDelta == 0)
            break;
        return true;
    }
    why = "its video track cannot be read";
    return false;
}
