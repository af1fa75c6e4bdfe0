// kivren-repair on a cut-off recording of a gigabyte, against FFmpeg
// re-muxing the same frames from a whole file (`ffmpeg -i whole.mov -c copy`),
// the nearest thing FFmpeg itself offers. The recording is made of 1080p
// ProRes HQ frames that FFmpeg encodes once, repeated to a gigabyte of media
// data (each ProRes frame stands alone) and cut inside its last frame, as
// FFmpeg leaves a file when it is killed. Both run once in the same process
// run; the ratio is FFmpeg's time over the repair's. Both write the
// gigabyte; the repair's own work (finding the frames, building the index)
// is reported apart.
#include "cut_off_movie.h"
#include "mov_index.h"
#include "repair_tool.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t gigabyte = 1'000'000'000;

struct Files {
    fs::path folder, cut, whole;
};

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::uint32_t bigEndian32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// A second of 1080p test pattern encoded as Kivren2 encodes its passes; its
// frames, taken from the media data, repeated to a gigabyte and cut.
bool makeFiles(Files& files, std::string& error) {
    files.folder = fs::temp_directory_path() / "kivren-bench-repair";
    fs::create_directories(files.folder);
    const fs::path sample = files.folder / "sample.mov";
    const std::string encode =
        "ffmpeg -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=30 -frames:v 30 "
        "-c:v prores_ks -profile:v 3 -pix_fmt yuv422p10le '" +
        sample.string() + "'";
    if (std::system(encode.c_str()) != 0) {
        error = "FFmpeg could not make the sample (install the Debian package ffmpeg)";
        return false;
    }
    const std::string whole = readAll(sample);
    std::string ftyp, media;
    for (std::size_t at = 0; at + 8 <= whole.size();) {
        const std::uint32_t size = bigEndian32(whole, at);
        const std::string type = whole.substr(at + 4, 4);
        if (type == "ftyp")
            ftyp = whole.substr(at, size);
        if (type == "mdat")
            media = whole.substr(at + 8, size - 8);
        if (size < 8)
            break;
        at += size;
    }
    if (ftyp.empty() || media.empty()) {
        error = "the sample is not as FFmpeg writes it";
        return false;
    }
    using namespace std::string_literals;
    files.cut = files.folder / "cut.mov";
    std::ofstream out(files.cut, std::ios::binary | std::ios::trunc);
    out << ftyp << "\0\0\0\x08wide"s
        << "\0\0\0\0mdat"s;
    std::uint64_t written = 0;
    while (written < gigabyte) {
        out << media;
        written += media.size();
    }
    // Cut inside the first frame of one more copy.
    out << media.substr(0, bigEndian32(media, 0) / 2);
    return true;
}

void repairAgainstFfmpegRemux(benchmark::State& state) {
    Files files;
    std::string error;
    if (!makeFiles(files, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const fs::path repaired = files.folder / "repaired.mov";
    const fs::path remuxed = files.folder / "remuxed.mov";
    double repairSeconds = 0, ffmpegSeconds = 0, findSeconds = 0;
    for (auto _ : state) {
        fs::remove(repaired);
        const std::string input = files.cut.string(), output = repaired.string();
        const std::string_view args[] = {input, "--fps", "30", "--output", output};
        std::ostringstream out, err;
        // Each starts with nothing left for the system to write back.
        sync();
        auto start = Clock::now();
        if (runRepairTool(args, out, err) != repairDone) {
            state.SkipWithError(err.str().c_str());
            break;
        }
        repairSeconds = std::chrono::duration<double>(Clock::now() - start).count();

        // Of which the repair's own work: finding the frames, building the
        // index. The rest is the system copying the gigabyte.
        start = Clock::now();
        MovFile bytes(files.cut);
        CutOffMovie movie;
        std::string why;
        analyseCutOffMovie(bytes, movie, why);
        MovTrack track{proResCodecFor(movie.frames.format), movie.frames.format, 0, 0};
        timingForRate(30, track.timescale, track.sampleDelta);
        benchmark::DoNotOptimize(buildMovieAtom(track, movie.frames.sizes, movie.frames.first));
        findSeconds = std::chrono::duration<double>(Clock::now() - start).count();

        // The repaired file is a whole file of the same frames: FFmpeg copies
        // them into a new one.
        const std::string remux =
            "ffmpeg -v error -y -i '" + repaired.string() + "' -c copy '" + remuxed.string() + "'";
        sync();
        start = Clock::now();
        if (std::system(remux.c_str()) != 0) {
            state.SkipWithError("FFmpeg could not re-mux the whole file");
            break;
        }
        ffmpegSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(repairSeconds);
    }
    state.counters["input MB"] = static_cast<double>(fs::file_size(files.cut)) / 1e6;
    state.counters["repair s"] = repairSeconds;
    state.counters["of which finding frames s"] = findSeconds;
    state.counters["ffmpeg remux s"] = ffmpegSeconds;
    state.counters["ffmpeg / repair"] = repairSeconds > 0 ? ffmpegSeconds / repairSeconds : 0;
    std::error_code ignored;
    fs::remove_all(files.folder, ignored);
}
BENCHMARK(repairAgainstFfmpegRemux)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

} // namespace

BENCHMARK_MAIN();
