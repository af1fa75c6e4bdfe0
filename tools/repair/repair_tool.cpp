#include "repair_tool.h"

#include "cut_off_movie.h"
#include "take_files.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <new>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr std::string_view programName = "kivren-repair";
#ifndef KIVREN_VERSION
#define KIVREN_VERSION "unknown"
#endif

constexpr std::string_view helpText = R"(Usage: kivren-repair [options] INPUT.mov

Repairs a ProRes recording that its encoder did not finish (a game crash, a
killed FFmpeg, a full disk): such a file has no index ("moov atom not found")
and no player opens it, although its frames are on disk. kivren-repair writes
a playable copy holding every whole frame, with the picture size and the
ProRes profile read from the frames themselves, and the frame rate from a
whole pass of the same take beside it (or --fps). The input is only read.

It then lists every file of the take with its frame count, so that the
passes and the frame data can be brought back into line: keep the first N
frames of each, N being the smallest count.

Options:
  --output FILE   the repaired file (default "INPUT (repaired).mov" beside it)
  --fps N         the recording's frame rate, kivren_fps (default: that of a
                  whole pass of the same take)
  --help, -h      this text
  --version       the program's version

Exit status: 0 repaired; 1 the input is not a cut-off ProRes recording, or
the repair could not be written (one line says why); 2 wrong usage.
)";

struct Options {
    fs::path input;
    fs::path output;
    std::optional<std::uint32_t> fps;
    bool help = false;
    bool version = false;
};

bool parseOptions(std::span<const std::string_view> args, Options& options, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        std::optional<std::string_view> value;
        if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string_view::npos) {
            value = arg.substr(arg.find('=') + 1);
            arg = arg.substr(0, arg.find('='));
        }
        const auto takeValue = [&]() -> std::optional<std::string_view> {
            if (value)
                return value;
            if (i + 1 < args.size())
                return args[++i];
            error = std::string(arg) + " needs a value";
            return std::nullopt;
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--output") {
            const auto text = takeValue();
            if (!text)
                return false;
            if (text->empty()) {
                error = "--output needs a file name";
                return false;
            }
            options.output = fs::path(std::string(*text));
        } else if (arg == "--fps") {
            const auto text = takeValue();
            if (!text)
                return false;
            std::uint32_t fps = 0;
            const auto [end, status] =
                std::from_chars(text->data(), text->data() + text->size(), fps);
            if (status != std::errc{} || end != text->data() + text->size() || fps < 1 ||
                fps > 999) {
                error = "--fps needs a whole number from 1 to 999 (kivren_fps), not \"" +
                        std::string(*text) + "\"";
                return false;
            }
            options.fps = fps;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            error = "unknown option " + std::string(arg) + " (see --help)";
            return false;
        } else if (!options.input.empty()) {
            error = "more than one input file: " + std::string(arg);
            return false;
        } else {
            options.input = fs::path(std::string(arg));
        }
    }
    if (options.help || options.version)
        return true;
    if (options.input.empty()) {
        error = "no input file: give the cut-off .mov to repair";
        return false;
    }
    return true;
}

bool sameChroma(const std::string& codec, const ProResFormat& format) {
    const bool fourFourFour = codec == "ap4h" || codec == "ap4x";
    const bool fourTwoTwo =
        codec == "apch" || codec == "apcn" || codec == "apcs" || codec == "apco";
    return format.chroma == 3 ? fourFourFour : fourTwoTwo;
}

// The track of the repaired file, and where each of its settings came from.
struct TrackChoice {
    MovTrack track;
    std::string rateFrom;
    std::string profileFrom;
};

bool chooseTrack(const Options& options, const CutOffMovie& movie, TrackChoice& choice,
                 std::string& error) {
    choice.track.format = movie.frames.format;
    choice.track.codec = proResCodecFor(movie.frames.format);
    choice.profileFrom = fmt::format("from the frames: {}, which Kivren2 records as {}",
                                     movie.frames.format.chroma == 3 ? "4:4:4" : "4:2:2",
                                     proResProfileName(choice.track.codec));
    if (options.fps) {
        timingForRate(*options.fps, choice.track.timescale, choice.track.sampleDelta);
        choice.rateFrom = "from --fps";
    }
    // A whole pass of the same take was recorded at the same rate, and one
    // with the same chroma format in the same profile.
    const fs::path folder = options.input.parent_path();
    bool profileFound = false;
    for (const fs::path& pass : takePasses(folder, takeName(options.input))) {
        std::error_code ec;
        if (fs::equivalent(pass, options.input, ec))
            continue;
        MovFile bytes(pass);
        VideoTrack sibling;
        std::string why;
        if (!readVideoTrack(bytes, sibling, why))
            continue;
        if (!options.fps && choice.rateFrom.empty()) {
            choice.track.timescale = sibling.timescale;
            choice.track.sampleDelta = sibling.sampleDelta;
            choice.rateFrom = "from " + pass.filename().string() + ", a whole pass of the take";
        }
        if (!profileFound && sameChroma(sibling.codec, movie.frames.format)) {
            choice.track.codec = sibling.codec;
            choice.profileFrom = "from " + pass.filename().string() + ", of the same chroma format";
            profileFound = true;
        }
    }
    if (choice.rateFrom.empty()) {
        error = fmt::format("{}: cannot tell the frame rate: ProRes frames do not hold it, and no "
                            "whole pass of the same take lies beside it; give --fps (the "
                            "recording's kivren_fps)",
                            options.input.string());
        return false;
    }
    if (std::uint64_t{choice.track.sampleDelta} * movie.frames.sizes.size() > 0xffffffffu) {
        error = fmt::format("{}: too many frames for one index at this frame rate",
                            options.input.string());
        return false;
    }
    return true;
}

std::string rateText(const MovTrack& track) {
    const double fps = static_cast<double>(track.timescale) / track.sampleDelta;
    return fmt::format("{:g} fps", fps);
}

void reportTake(std::ostream& out, const fs::path& input, const fs::path& output,
                std::size_t repairedFrames) {
    const fs::path folder = input.parent_path();
    const std::string take = takeName(input);
    std::vector<TakeFile> files;
    for (TakeFile& file : countTake(folder, take)) {
        std::error_code ec;
        if (fs::equivalent(file.path, input, ec))
            file = {output, repairedFrames, "repaired"};
        files.push_back(std::move(file));
    }
    out << fmt::format("The take \"{}\":\n", take);
    std::optional<std::uint64_t> fewest;
    bool differ = false;
    for (const TakeFile& file : files) {
        const bool entries = file.path.extension() == ".txt";
        out << fmt::format(
            "  {:<32} {}{}\n", file.path.filename().string(),
            file.frames ? fmt::format("{:>7} {}", *file.frames, entries ? "entries" : "frames")
                        : std::string("      ?"),
            file.note.empty() ? "" : "  (" + file.note + ")");
        if (!file.frames)
            continue;
        differ = differ || (fewest && *fewest != *file.frames);
        fewest = std::min(fewest.value_or(*file.frames), *file.frames);
    }
    if (differ)
        out << fmt::format("To bring the take back into line, keep the first {} frames of each "
                           "pass and entries of the frame data (see the README: \"Repairing a "
                           "cut-off recording\").\n",
                           *fewest);
}

int repair(const Options& options, std::ostream& out, std::ostream& err) {
    const std::string inputName = options.input.string();
    const auto failed = [&](const std::string& line) {
        err << programName << ": " << line << '\n';
        return repairFailed;
    };
    MovFile bytes(options.input);
    if (!bytes.isOpen()) {
        std::error_code ec;
        return failed(inputName +
                      (fs::exists(options.input, ec) ? ": cannot be read" : ": no such file"));
    }
    CutOffMovie movie;
    std::string why;
    if (!analyseCutOffMovie(bytes, movie, why))
        return failed(inputName + ": " + why);
    TrackChoice choice;
    if (!chooseTrack(options, movie, choice, why))
        return failed(why);

    fs::path output = options.output;
    if (output.empty()) {
        output = options.input;
        output.replace_filename(options.input.stem().string() + " (repaired).mov");
    }
    if (!writeRepairedMovie(options.input, output, movie, choice.track, why))
        return failed(why);

    const std::size_t frames = movie.frames.sizes.size();
    const ProResFormat& format = movie.frames.format;
    out << fmt::format("{}: {} whole frames, {}x{} {} ({}), {} ({})\n", inputName, frames,
                       format.width, format.height, proResProfileName(choice.track.codec),
                       choice.profileFrom, rateText(choice.track), choice.rateFrom);
    if (const std::string leftOut = describeLeftOut(movie); !leftOut.empty())
        out << fmt::format("{}: {}\n", inputName, leftOut);
    out << fmt::format("wrote {}: {} frames\n", output.string(), frames);
    reportTake(out, options.input, output, frames);
    return repairDone;
}

} // namespace

int runRepairTool(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    try {
        Options options;
        std::string error;
        if (!parseOptions(args, options, error)) {
            err << programName << ": " << error << '\n';
            return repairUsage;
        }
        if (options.help) {
            out << helpText;
            return repairDone;
        }
        if (options.version) {
            out << programName << ' ' << KIVREN_VERSION << '\n';
            return repairDone;
        }
        return repair(options, out, err);
    } catch (const std::bad_alloc&) {
        err << programName << ": ran out of memory\n";
        return repairFailed;
    } catch (const std::exception& e) {
        err << programName << ": " << e.what() << '\n';
        return repairFailed;
    }
}
