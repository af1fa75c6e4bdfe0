#include "converter.h"

#include "converter_arguments.h"
#include "frame_data_reader.h"
#include "frame_data_writers.h"
#include "output_files.h"

#include <fmt/format.h>

#include <algorithm>
#include <new>

namespace {

constexpr std::string_view programName = "kivren-framedata";
// Kept in step with the project's version by CMake.
#ifndef KIVREN_VERSION
#define KIVREN_VERSION "unknown"
#endif

void printSummary(std::ostream& out, const std::string& name, const FrameDataScan& scan,
                  const ConversionOptions& options) {
    out << fmt::format("{}: {} frames ({:.2f} s at {:g} fps), {} with a replay, up to {} cars\n",
                       name, scan.entries, static_cast<double>(scan.entries) / options.fps,
                       options.fps, scan.replayEntries, scan.maxCarCount);
}

// Every output sees every entry.
class AllOutputs final : public FrameDataVisitor {
public:
    void add(std::unique_ptr<FrameDataOutput> output) { outputs_.push_back(std::move(output)); }
    void beginEntry(const FrameEntry& entry) override {
        for (auto& output : outputs_)
            output->beginEntry(entry);
    }
    void car(const ActorPose& pose) override {
        for (auto& output : outputs_)
            output->car(pose);
    }
    void endEntry() override {
        for (auto& output : outputs_)
            output->endEntry();
    }
    void finish() {
        for (auto& output : outputs_)
            output->finish();
    }

private:
    std::vector<std::unique_ptr<FrameDataOutput>> outputs_;
};

int convert(const ConverterArguments& line, std::ostream& out, std::ostream& err) {
    const std::string inputName = line.input.string();
    auto failed = [&](const std::string& message) {
        err << programName << ": " << message << '\n';
        return exitFailed;
    };

    // The first reading checks the whole file, so that nothing is written
    // for a damaged one and the JSON header can give the frame count; the
    // second writes the entries that the first found whole.
    FrameDataScan scan;
    FrameDataError readError;
    if (!scanFrameDataFile(line.input, nullptr, scan, readError))
        return failed(describeError(readError, inputName));
    if (scan.cutOff)
        err << programName << ": " << describeCutOff(*scan.cutOff, inputName) << '\n';
    if (line.checkOnly)
        printSummary(out, inputName, scan, line.conversion);
    if (line.json.empty() && line.chan.empty() && line.csv.empty())
        return exitDone;

    const std::size_t entries = line.frames ? std::min(line.frames, scan.entries) : scan.entries;
    const ConversionOptions& options = line.conversion;
    OutputFiles files;
    AllOutputs outputs;
    std::string error;
    const std::pair<const std::filesystem::path*, int> wanted[] = {
        {&line.json, 0}, {&line.chan, 1}, {&line.csv, 2}};
    for (const auto& [path, kind] : wanted) {
        if (path->empty())
            continue;
        std::ostream* file = files.open(*path, error);
        if (!file)
            return failed(error);
        if (kind == 0)
            outputs.add(makeJsonOutput(*file, options, line.input.filename().string(), entries));
        else if (kind == 1)
            outputs.add(makeChanOutput(*file, options));
        else
            outputs.add(makeCsvOutput(*file, options));
    }
    FrameDataScan written;
    if (!scanFrameDataFile(line.input, &outputs, written, readError, entries))
        return failed(describeError(readError, inputName));
    if (written.entries != entries)
        return failed(inputName + ": changed while it was being converted");
    outputs.finish();
    if (!files.commit(error))
        return failed(error);
    return exitDone;
}

} // namespace

int runFrameDataTool(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    ConverterArguments line;
    std::string error;
    try {
        if (!parseConverterArguments(args, line, error)) {
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
        return convert(line, out, err);
    } catch (const std::bad_alloc&) {
        // What the reader did not catch with its place: the buffers set up
        // before reading, or the last renames.
        err << programName << ": ran out of memory\n";
        return exitFailed;
    }
}
