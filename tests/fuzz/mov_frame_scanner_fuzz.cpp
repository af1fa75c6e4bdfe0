// The repair's reading of a cut-off recording on any bytes. It finds whole
// frames only inside the file, back to back; the file it would write from
// them (the input up to the last whole frame, the media data closed there,
// the index after it) reads back as a whole file with as many frames, of
// the size the frames give.
#include "cut_off_movie.h"

#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

namespace {

void require(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MovMemory bytes({data, size});
    VideoTrack track;
    std::string why;
    readVideoTrack(bytes, track, why);

    CutOffMovie movie;
    if (!analyseCutOffMovie(bytes, movie, why)) {
        require(!why.empty());
        return 0;
    }
    const ProResFrames& frames = movie.frames;
    require(!frames.sizes.empty());
    const std::uint64_t total =
        std::accumulate(frames.sizes.begin(), frames.sizes.end(), std::uint64_t{0});
    require(frames.first == movie.mdat.offset + movie.mdat.headerSize);
    require(frames.end() == frames.first + total && frames.end() <= size);
    describeLeftOut(movie);

    MovTrack chosen{proResCodecFor(frames.format), frames.format, 15360, 512};
    std::vector<std::uint8_t> repaired(data, data + frames.end());
    const MediaDataClose close = closeMediaData(movie);
    require(close.at + close.bytes.size() <= repaired.size());
    std::copy(close.bytes.begin(), close.bytes.end(),
              repaired.begin() + static_cast<long>(close.at));
    const std::vector<std::uint8_t> index = buildMovieAtom(chosen, frames.sizes, frames.first);
    repaired.insert(repaired.end(), index.begin(), index.end());

    MovMemory fixed(repaired);
    VideoTrack readBack;
    require(readVideoTrack(fixed, readBack, why));
    require(readBack.frames == frames.sizes.size());
    require(readBack.width == frames.format.width && readBack.height == frames.format.height);
    require(readBack.codec == chosen.codec);
    CutOffMovie again;
    require(!analyseCutOffMovie(fixed, again, why));
    return 0;
}
