// kivren-framedata on a gigabyte of frame data (about 2 million frames with
// camera, ball and six cars: 18 hours at 30 fps), and on gigabytes that no
// recording makes but a damaged file may be: every byte an empty entry, or
// one entry of five million cars. Each case checks and converts to JSON,
// .chan and CSV (the empty entries to .chan and CSV alone, which leave them
// out: as JSON, a billion frames would fill 70 GB of disk) and reports
// its time and the peak resident memory of the conversion, which must not
// follow the input's size. One iteration each: a case takes seconds. Each
// input is written before its case and removed after it.
#include "converter.h"
#include "formats/frame_data_format.h"
#include "formats/frame_data_writer.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
namespace format = frameDataFormat;

constexpr std::uintmax_t gigabyte = 1'000'000'000;

fs::path folder() {
    const fs::path made = fs::temp_directory_path() / "kivren-bench-framedata-gigabyte";
    fs::create_directories(made);
    return made;
}

// Written a block at a time, so that the generator holds no more than the tool.
template <typename Block> fs::path writeInput(const char* name, Block block) {
    const fs::path path = folder() / name;
    std::error_code error;
    if (const auto size = fs::file_size(path, error); !error && size >= gigabyte)
        return path;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (long i = 0; static_cast<std::uintmax_t>(out.tellp()) < gigabyte; ++i) {
        std::ostringstream text;
        block(text, i);
        out << text.str();
    }
    return path;
}

// Sixty moving frames a block, as the plugin writes them.
fs::path recording() {
    return writeInput("recording.txt", [](std::ostream& out, long block) {
        for (long i = block * 60; i < block * 60 + 60; ++i) {
            const float t = static_cast<float>(i % 100000) * 0.01f;
            const int n = static_cast<int>(i % 100000);
            writeCameraGroup(out,
                             {3000.0f * std::cos(t), 4000.0f * std::sin(t), 800.0f + 10.0f * t},
                             {static_cast<int>(4000 * std::sin(t)), n * 37, static_cast<int>(t)},
                             70.0f + 20.0f * std::sin(t));
            writeActorGroup(out, {t * 3.0f, -t * 2.0f, 93.15f + t}, {n * 11, n * 13, n * 17});
            for (int car = 0; car < 6; ++car) {
                writeActorGroup(out, {500.0f * static_cast<float>(car) + t, -300.0f * t, 17.01f},
                                {n * 3, car * 8192 + n * 29, 0});
            }
            out << format::entryEnd;
        }
    });
}

fs::path emptyEntries() {
    return writeInput(
        "bars.txt", [](std::ostream& out, long) { out << std::string(1 << 20, format::entryEnd); });
}

fs::path oneEntryOfCars() {
    const fs::path path = writeInput("cars.txt", [](std::ostream& out, long block) {
        if (block == 0)
            out << "0,-4608,1024,0,-0,0.707107,0.707107,90;0,0,93.15,0,-0,0,1;";
        for (int i = 0; i < 10000; ++i)
            out << "0,-4608,17.01,0,-0,0.707107,0.707107;";
    });
    std::ofstream(path, std::ios::binary | std::ios::app) << format::entryEnd;
    return path;
}

// Peak resident memory since the last reset, in MB (Linux: VmHWM, reset by
// writing 5 to clear_refs).
void resetPeakResident() {
    std::ofstream("/proc/self/clear_refs") << "5";
}
double peakResidentMb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return -1.0;
}

void convert(benchmark::State& state, const fs::path& input, bool withJson) {
    const std::string in = input.string(), json = (folder() / "out.json").string(),
                      chan = (folder() / "out.chan").string(),
                      csv = (folder() / "out.csv").string();
    std::vector<std::string_view> args{in, "--check", "--chan", chan, "--csv", csv};
    if (withJson)
        args.insert(args.end(), {"--json", json});
    for (auto _ : state) {
        resetPeakResident();
        std::ostringstream out, err;
        if (runFrameDataTool(args, out, err) != exitDone) {
            state.SkipWithError(err.str().c_str());
            break;
        }
        state.counters["peak resident MB"] = peakResidentMb();
    }
    std::uintmax_t written = 0;
    for (const auto& file : {json, chan, csv}) {
        std::error_code error;
        const auto size = fs::file_size(file, error);
        if (!error)
            written += size;
        fs::remove(file, error);
    }
    const auto inputBytes = fs::file_size(input);
    state.counters["input MB"] = static_cast<double>(inputBytes) / 1e6;
    state.counters["output MB"] = static_cast<double>(written) / 1e6;
    state.SetBytesProcessed(static_cast<std::int64_t>(inputBytes));
    // A gigabyte is not left behind in the temporary folder.
    std::error_code error;
    fs::remove(input, error);
    if (fs::is_empty(folder(), error))
        fs::remove(folder(), error);
}

void gigabyteRecording(benchmark::State& state) {
    convert(state, recording(), true);
}
BENCHMARK(gigabyteRecording)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

void gigabyteOfEmptyEntries(benchmark::State& state) {
    convert(state, emptyEntries(), false);
}
BENCHMARK(gigabyteOfEmptyEntries)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

void gigabyteInOneEntry(benchmark::State& state) {
    convert(state, oneEntryOfCars(), true);
}
BENCHMARK(gigabyteInOneEntry)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
