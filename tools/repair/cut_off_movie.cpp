#include "cut_off_movie.h"

#include "copy_prefix.h"

#include <fmt/format.h>

#include <fstream>
#include <system_error>

bool analyseCutOffMovie(MovBytes& bytes, CutOffMovie& movie, std::string& why) {
    const MovLayout layout = readMovLayout(bytes);
    if (!layout.quickTime) {
        why = "is not a QuickTime .mov file";
        return false;
    }
    if (layout.hasIndex) {
        why = "is not cut off: it has its index (moov atom), so players open it as it is";
        return false;
    }
    if (!layout.mdat) {
        why = "holds no media data (mdat atom): no frame reached the disk";
        return false;
    }
    movie.mdat = *layout.mdat;
    movie.roomForLargeSize = layout.roomForLargeSize;
    const std::uint64_t dataStart = movie.mdat.offset + movie.mdat.headerSize;
    const std::uint64_t dataEnd = movie.mdat.offset + movie.mdat.size;
    movie.frames = scanProResFrames(bytes, dataStart, dataEnd);
    const ProResFrames& frames = movie.frames;
    if (frames.sizes.empty()) {
        if (frames.stop == ProResFrames::Stop::NotAFrame)
            why = "is not a ProRes recording: its media data does not start with a ProRes frame";
        else if (frames.stop == ProResFrames::Stop::CutFrame)
            why = "holds no whole frame: the writing stopped inside the first one";
        else
            why = "holds no frame: the writing stopped before the first one";
        return false;
    }
    const std::uint64_t mdatSize = frames.end() - movie.mdat.offset;
    if (movie.mdat.headerSize == 8 && mdatSize > 0xffffffffu && !movie.roomForLargeSize) {
        why = "has more media data than its mdat atom's header can give a size to";
        return false;
    }
    return true;
}

std::string describeLeftOut(const CutOffMovie& movie) {
    const ProResFrames& frames = movie.frames;
    const std::size_t next = frames.sizes.size() + 1;
    switch (frames.stop) {
    case ProResFrames::Stop::End:
        return {};
    case ProResFrames::Stop::CutFrame:
        if (frames.cutSize == 0)
            return fmt::format("frame {} is cut off in its header ({} bytes) and left out", next,
                               frames.cutPresent);
        return fmt::format("frame {} is cut off ({} of its {} bytes) and left out", next,
                           frames.cutPresent, frames.cutSize);
    case ProResFrames::Stop::NotAFrame:
        break;
    }
    return fmt::format("what follows frame {} at byte {} is left out: {}", next - 1, frames.stopAt,
                       frames.notAFrameWhy);
}

namespace {

void putBigEndian(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

bool patchAndAppend(const std::filesystem::path& file, const CutOffMovie& movie,
                    const std::vector<std::uint8_t>& index) {
    std::fstream io(file, std::ios::in | std::ios::out | std::ios::binary);
    if (!io)
        return false;
    const MediaDataClose close = closeMediaData(movie);
    io.seekp(static_cast<std::streamoff>(close.at));
    io.write(reinterpret_cast<const char*>(close.bytes.data()),
             static_cast<std::streamsize>(close.bytes.size()));
    io.seekp(0, std::ios::end);
    io.write(reinterpret_cast<const char*>(index.data()),
             static_cast<std::streamsize>(index.size()));
    io.close();
    return !io.fail();
}

} // namespace

MediaDataClose closeMediaData(const CutOffMovie& movie) {
    MediaDataClose close;
    const std::uint64_t end = movie.frames.end();
    close.at = movie.mdat.offset;
    if (movie.mdat.headerSize == 16) {
        close.at += 8;
        putBigEndian(close.bytes, end - movie.mdat.offset, 8);
    } else if (end - movie.mdat.offset <= 0xffffffffu) {
        putBigEndian(close.bytes, end - movie.mdat.offset, 4);
    } else {
        close.at -= 8;
        putBigEndian(close.bytes, 1, 4);
        putBigEndian(close.bytes, 0x6d646174, 4); // "mdat"
        putBigEndian(close.bytes, end - close.at, 8);
    }
    return close;
}

bool writeRepairedMovie(const std::filesystem::path& input, const std::filesystem::path& output,
                        const CutOffMovie& movie, const MovTrack& track, std::string& error) {
    std::error_code ec;
    if (std::filesystem::exists(output, ec) || ec) {
        error = fmt::format("{} already exists; remove it or name another with --output",
                            output.string());
        return false;
    }
    std::filesystem::path partial = output;
    partial += ".kivren-partial";
    const auto fail = [&](const std::string& what) {
        error = fmt::format("cannot write {}: {}", partial.string(), what);
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        return false;
    };
    std::string why;
    if (!copyFilePrefix(input, partial, movie.frames.end(), why))
        return fail(why);
    const std::vector<std::uint8_t> index =
        buildMovieAtom(track, movie.frames.sizes, movie.frames.first);
    if (!patchAndAppend(partial, movie, index))
        return fail("the system refused the data");
    std::filesystem::rename(partial, output, ec);
    if (ec)
        return fail(ec.message());
    return true;
}
