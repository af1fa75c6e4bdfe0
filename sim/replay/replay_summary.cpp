#include "replay_summary.h"

#include "cut_off_movie.h"
#include "frame_data_reader.h"
#include "replay_system.h"

#include <fmt/format.h>

#include <charconv>

namespace {

struct Output {
    const char* pass;
    const char* suffix;
};
constexpr Output outputs[] = {
    {"Main", ".mov"},
    {"Depth", " - depth.mov"},
    {"Normal", " - normal.mov"},
    {"Custom", " - custom pass.mov"},
};

bool isStandInEncoder(const std::string& ffmpeg) {
    return std::filesystem::path(ffmpeg).stem().string().rfind("kivren-fake-ffmpeg", 0) == 0;
}

// ffprobe from the same folder as the FFmpeg given, or from PATH.
std::optional<std::filesystem::path> ffprobeFor(const std::string& ffmpeg) {
    const std::filesystem::path given(ffmpeg);
    if (given.has_parent_path()) {
        std::filesystem::path beside = given.parent_path() / "ffprobe";
        beside += given.extension();
        if (auto found = findProgram(beside.string()))
            return found;
    }
    return findProgram("ffprobe");
}

std::filesystem::path outputPath(const ReplayOptions& options, const char* suffix) {
    return options.out / (options.name + suffix);
}

// A file that is just as it was before the run was not written by it.
bool untouched(const OutputSnapshot& before, const std::filesystem::path& path) {
    const auto found = before.existing.find(path);
    if (found == before.existing.end())
        return false;
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    const auto written = std::filesystem::last_write_time(path, error);
    return !error && size == found->second.size && written == found->second.written;
}

constexpr const char* notWritten = "not written by this run: an earlier run's file";

void countVideo(const ReplayOptions& options, const OutputSnapshot& before, RecordedFile& file) {
    std::error_code error;
    const auto bytes = std::filesystem::file_size(file.path, error);
    if (error) {
        file.problem = "missing";
        return;
    }
    if (untouched(before, file.path)) {
        file.problem = notWritten;
        return;
    }
    if (isStandInEncoder(options.ffmpeg)) {
        // The stand-in encoder keeps the raw frames it was given.
        const std::uint64_t frameBytes = std::uint64_t{options.width} * options.height * 4;
        file.frames = bytes / frameBytes;
        if (bytes % frameBytes != 0)
            file.problem = fmt::format("{} stray bytes", bytes % frameBytes);
        return;
    }
    const auto ffprobe = ffprobeFor(options.ffmpeg);
    if (!ffprobe) {
        file.problem = "ffprobe not found beside --ffmpeg or on the PATH";
        return;
    }
    // An absolute path, so that a name starting with '-' is not an option
    // and one with ':' not a protocol.
    const auto text =
        programOutput(*ffprobe, {"-v", "error", "-select_streams", "v:0", "-count_packets",
                                 "-show_entries", "stream=nb_read_packets", "-of", "csv=p=0",
                                 std::filesystem::absolute(file.path, error).string()});
    std::uint64_t frames = 0;
    if (text) {
        const char* end = text->data() + text->size();
        const auto parsed = std::from_chars(text->data(), end, frames);
        if (parsed.ec == std::errc()) {
            file.frames = frames;
            return;
        }
    }
    // An encoder that was stopped leaves a file without its index.
    MovFile movie(file.path);
    CutOffMovie cut;
    std::string why;
    if (analyseCutOffMovie(movie, cut, why)) {
        file.problem = fmt::format("cut off after {} whole frames, without its index; "
                                   "kivren-repair makes it playable",
                                   cut.frames.sizes.size());
        return;
    }
    file.problem = "ffprobe could not read it";
}

std::optional<std::uint64_t> framesOf(const std::vector<RecordedFile>& files, const char* pass) {
    for (const RecordedFile& file : files)
        if (file.pass == pass)
            return file.frames ? file.frames : std::optional<std::uint64_t>(~0ull);
    return std::nullopt;
}

} // namespace

OutputSnapshot snapshotOutputs(const ReplayOptions& options) {
    OutputSnapshot snapshot;
    for (const char* suffix :
         {".mov", " - depth.mov", " - normal.mov", " - custom pass.mov", ".txt"}) {
        const std::filesystem::path path = outputPath(options, suffix);
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        const auto written = std::filesystem::last_write_time(path, error);
        if (!error)
            snapshot.existing[path] = {size, written};
    }
    return snapshot;
}

std::vector<RecordedFile> countRecordedFiles(const ReplayOptions& options, const std::string& take,
                                             const OutputSnapshot& before) {
    std::vector<RecordedFile> files;
    const bool chosen[] = {true, options.depth, options.normal, options.custom};
    for (std::size_t i = 0; i < 4; ++i) {
        if (!chosen[i])
            continue;
        RecordedFile file{outputs[i].pass, options.out / (take + outputs[i].suffix), {}, {}};
        countVideo(options, before, file);
        files.push_back(file);
    }
    if (options.frameData) {
        RecordedFile file{"frame data", options.out / (take + ".txt"), {}, {}};
        FrameDataScan scan;
        FrameDataError error;
        if (untouched(before, file.path))
            file.problem = notWritten;
        else if (!scanFrameDataFile(file.path, nullptr, scan, error))
            file.problem = describeError(error, file.path.filename().string());
        else if (scan.cutOff)
            file.problem = describeCutOff(*scan.cutOff, file.path.filename().string());
        else
            file.frames = scan.entries;
        files.push_back(file);
    }
    return files;
}

bool filesLineUp(const std::vector<RecordedFile>& files, std::string& why) {
    for (const RecordedFile& file : files) {
        if (!file.frames || !file.problem.empty()) {
            why = fmt::format("{} ({})", file.path.filename().string(),
                              file.problem.empty() ? "not counted" : file.problem);
            return false;
        }
    }
    const std::uint64_t main = *framesOf(files, "Main");
    if (main == 0) {
        why = "no Main frame was recorded";
        return false;
    }
    for (const char* pass : {"Depth", "Normal", "frame data"}) {
        if (const auto frames = framesOf(files, pass); frames && *frames != main) {
            why = fmt::format("{} has {} where Main has {}", pass, *frames, main);
            return false;
        }
    }
    if (const auto custom = framesOf(files, "Custom");
        custom && *custom != main && *custom + 1 != main) {
        why = fmt::format("Custom has {} where Main has {}", *custom, main);
        return false;
    }
    return true;
}

bool printSummary(const ReplayOptions& options, const ReplayResult& result,
                  const OutputSnapshot& before, ReplayReporter& report) {
    const std::vector<RecordedFile> files = countRecordedFiles(options, result.take, before);
    report.say(fmt::format("{} game frames played; take \"{}\" in {}:", result.framesPlayed,
                           result.take, options.out.string()));
    for (const RecordedFile& file : files) {
        const std::string count =
            file.frames ? fmt::format("{} {}", *file.frames,
                                      file.pass == "frame data" ? "entries" : "frames")
                        : std::string("?");
        report.say(fmt::format("  {:<28} {:>8}{}", file.path.filename().string(), count,
                               file.problem.empty() ? "" : "  (" + file.problem + ")"));
    }
    if (options.custom) {
        report.say("ID pass meshes:");
        for (const IdPassMesh& mesh : result.idPass)
            report.say(fmt::format("  {:<16} {:016x}  #{:02x}{:02x}{:02x}", mesh.name, mesh.hash,
                                   mesh.colour[0], mesh.colour[1], mesh.colour[2]));
    }
    const ReplayTimes& t = result.times;
    report.say(fmt::format("Time {:.2f} s: game draws {:.2f}, scene {:.2f}, effects {:.2f}, "
                           "plugin events {:.2f}, pacing {:.2f}, stop {:.2f}; encoders CPU {}",
                           t.total, t.draws, t.render, t.effects, t.events, t.waiting, t.stop,
                           t.encodersCpu < 0 ? std::string("unknown")
                                             : fmt::format("{:.2f} s", t.encodersCpu)));
    // Beside videos recorded without frame data, a frame data file of the
    // same name is an earlier recording's and does not describe them.
    const std::filesystem::path frameData = outputPath(options, ".txt");
    std::error_code error;
    if (!options.frameData && std::filesystem::exists(frameData, error))
        report.warn(fmt::format("{} is an earlier recording's: this run recorded no frame data "
                                "(--no-frame-data), so its entries do not belong to these videos",
                                frameData.filename().string()));
    std::string why;
    const bool aligned = filesLineUp(files, why);
    if (aligned) {
        std::string counts;
        for (const RecordedFile& file : files)
            counts += fmt::format("{}{} {}", counts.empty() ? "" : ", ", file.pass, *file.frames);
        report.say("All files line up: " + counts + ".");
    } else {
        report.say("The files do not line up: " + why + ".");
    }
    return aligned;
}
