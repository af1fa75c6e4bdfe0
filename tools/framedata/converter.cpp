#include "converter.h"

#include "command_line.h"
#include "frame_data_reader.h"
#include "frame_data_writers.h"
#include "output_files.h"

#include <fmt/format.h>

namespace {

constexpr std::string_view programName = "kivren-framedata";
// Kept in step with the project's version by CMake.
#ifndef KIVREN_VERSION
#define KIVREN_VERSION "unknown"
#endif

void printSummary(std::ostream& out, const std::string& name, const FrameData& data,
                  const ConversionOptions& options) {
    const std::size_t frames = data.entries.size();
    out << fmt::format("{}: {} frames ({:.2f} s at {:g} fps), {} with a replay, up to {} cars\n",
                       name, frames, static_cast<double>(frames) / options.fps, options.fps,
                       data.replayEntryCount(), data.maxCarCount());
}

} // namespace

int runFrameDataTool(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    CommandLine line;
    std::string error;
    if (!parseCommandLine(args, line, error)) {
        err << programName << ": " << error << '\n';
        return exitUsage;
    }
    if (line.help) {
        out << helpText();
        return exitDone;
    }
    if (line.version) {
        out << programName << ' ' << KIVREN_VERSION << '\n';
        return exitDone;
    }

    const std::string inputName = line.input.string();
    FrameData data;
    FrameDataError readError;
    if (!readFrameDataFile(line.input, data, readError)) {
        err << programName << ": " << describeError(readError, inputName) << '\n';
        return exitFailed;
    }
    if (line.checkOnly) {
        printSummary(out, inputName, data, line.conversion);
        if (line.json.empty() && line.chan.empty() && line.csv.empty())
            return exitDone;
    }

    const ConversionOptions& options = line.conversion;
    const std::string sourceName = line.input.filename().string();
    OutputFiles files;
    const auto json = [&](std::ostream& file) {
        writeFrameDataJson(file, data, options, sourceName);
    };
    const auto chan = [&](std::ostream& file) { writeCameraChan(file, data, options); };
    const auto csv = [&](std::ostream& file) { writeFrameDataCsv(file, data, options); };
    if ((!line.json.empty() && !files.stage(line.json, json, error)) ||
        (!line.chan.empty() && !files.stage(line.chan, chan, error)) ||
        (!line.csv.empty() && !files.stage(line.csv, csv, error)) || !files.commit(error)) {
        err << programName << ": " << error << '\n';
        return exitFailed;
    }
    return exitDone;
}
