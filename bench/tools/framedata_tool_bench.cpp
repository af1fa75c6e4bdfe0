// Converting a 100,000-frame recording (about 55 minutes at 30 fps, camera,
// ball and six cars on every frame) must take well under a second: reading
// and checking alone, each output alone, and the whole program writing all
// three files.
#include "converter.h"
#include "formats/frame_data_format.h"
#include "formats/frame_data_writer.h"
#include "frame_data_reader.h"
#include "frame_data_writers.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>

namespace {

namespace fs = std::filesystem;
namespace format = frameDataFormat;

constexpr int frameCount = 100000;
constexpr int carCount = 6;

// Everything moves on every frame, so that no number repeats its neighbour's text.
const std::string& recording() {
    static const std::string text = [] {
        std::ostringstream out;
        for (int i = 0; i < frameCount; ++i) {
            const float t = static_cast<float>(i) * 0.01f;
            writeCameraGroup(out,
                             {3000.0f * std::cos(t), 4000.0f * std::sin(t), 800.0f + 10.0f * t},
                             {static_cast<int>(4000 * std::sin(t)), i * 37, static_cast<int>(t)},
                             70.0f + 20.0f * std::sin(t));
            writeActorGroup(out, {t * 3.0f, -t * 2.0f, 93.15f + t}, {i * 11, i * 13, i * 17});
            for (int car = 0; car < carCount; ++car) {
                writeActorGroup(out, {500.0f * static_cast<float>(car) + t, -300.0f * t, 17.01f},
                                {i * 3, car * 8192 + i * 29, 0});
            }
            out << format::entryEnd;
        }
        return out.str();
    }();
    return text;
}

const FrameData& parsedRecording() {
    static const FrameData data = [] {
        FrameData parsed;
        FrameDataError error;
        if (!parseFrameData(recording(), parsed, error))
            std::abort();
        return parsed;
    }();
    return data;
}

void readAndCheck(benchmark::State& state) {
    for (auto _ : state) {
        FrameData data;
        FrameDataError error;
        benchmark::DoNotOptimize(parseFrameData(recording(), data, error));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * recording().size()));
}
BENCHMARK(readAndCheck)->Unit(benchmark::kMillisecond);

// Counts what the writers produce and keeps none of it, so that the
// per-format figures leave the disk out.
class CountingBuffer : public std::streambuf {
public:
    std::size_t bytes = 0;

protected:
    int overflow(int c) override {
        ++bytes;
        return c;
    }
    std::streamsize xsputn(const char*, std::streamsize n) override {
        bytes += static_cast<std::size_t>(n);
        return n;
    }
};

template <typename Write> void output(benchmark::State& state, Write write) {
    CountingBuffer buffer;
    std::ostream out(&buffer);
    for (auto _ : state)
        write(out, parsedRecording());
    state.SetBytesProcessed(static_cast<int64_t>(buffer.bytes));
}

void json(benchmark::State& state) {
    output(state, [](std::ostream& out, const FrameData& data) {
        writeFrameDataJson(out, data, {}, "bench.txt");
    });
}
BENCHMARK(json)->Unit(benchmark::kMillisecond);

void chan(benchmark::State& state) {
    output(state, [](std::ostream& out, const FrameData& data) { writeCameraChan(out, data, {}); });
}
BENCHMARK(chan)->Unit(benchmark::kMillisecond);

void csv(benchmark::State& state) {
    output(state,
           [](std::ostream& out, const FrameData& data) { writeFrameDataCsv(out, data, {}); });
}
BENCHMARK(csv)->Unit(benchmark::kMillisecond);

// The program as a user runs it: file in, three files out.
void wholeProgram(benchmark::State& state) {
    const fs::path folder = fs::temp_directory_path() / "kivren-bench-framedata";
    fs::create_directories(folder);
    const std::string input = (folder / "recording.txt").string();
    std::ofstream(input, std::ios::binary) << recording();
    const std::string json = (folder / "out.json").string(), chan = (folder / "out.chan").string(),
                      csv = (folder / "out.csv").string();
    const std::string_view args[] = {input, "--json", json, "--chan", chan, "--csv", csv};
    for (auto _ : state) {
        std::ostringstream out, err;
        if (runFrameDataTool(args, out, err) != exitDone) {
            state.SkipWithError(err.str().c_str());
            break;
        }
    }
    state.counters["input MB"] = static_cast<double>(recording().size()) / 1e6;
    state.counters["output MB"] =
        static_cast<double>(fs::file_size(json) + fs::file_size(chan) + fs::file_size(csv)) / 1e6;
    fs::remove_all(folder);
}
BENCHMARK(wholeProgram)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
