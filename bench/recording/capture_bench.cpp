// Render-thread cost of one captured 1080p pass (pack + queue) against a
// plain memcpy of the same bytes, and the writer's throughput into a pipe
// whose reader only discards against one big write loop into the same kind
// of pipe. Report: captureOnePass / memcpyOnePass/1 and captureIntoDeepQueue
// / memcpyOnePass/8 times (goal below 1.5), and writer/loop bytes per second
// (goal at least 0.8).
#include "recording/encoder_set.h"
#include "recording/frame_packing.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr std::uint32_t width = 1920;
constexpr std::uint32_t height = 1080;
constexpr std::uint32_t rowBytes = width * 4;
// Readback rows padded as a driver pads them.
constexpr std::uint32_t pitch = rowBytes + 256;
constexpr std::size_t frameBytes = std::size_t{rowBytes} * height;

std::vector<std::uint8_t> mappedFrame() {
    std::vector<std::uint8_t> bytes(std::size_t{pitch} * height);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    return bytes;
}

// A pipe like an encoder's, drained by a thread that throws everything away.
struct DiscardingPipe {
    int fds[2];
    std::thread reader;
    DiscardingPipe() {
        if (pipe2(fds, O_CLOEXEC) != 0)
            std::abort();
        fcntl(fds[1], F_SETPIPE_SZ, 1 << 20);
        reader = std::thread([fd = fds[0]] {
            std::vector<char> sink(1 << 20);
            while (read(fd, sink.data(), sink.size()) > 0) {
            }
        });
    }
    // The writer side closes fds[1]; the reader then sees the end.
    ~DiscardingPipe() {
        reader.join();
        close(fds[0]);
    }
};

std::unique_ptr<EncoderSet> encodersFeeding(NativeHandle pipe) {
    auto encoders = std::make_unique<EncoderSet>();
    encoders->begin(width, height, steadyNanoseconds());
    encoders->attach(PassKind::Main, pipe);
    encoders->startWriter();
    return encoders;
}

void captureOnePass(benchmark::State& state) {
    const auto source = mappedFrame();
    // Writes cost nothing, so the render thread never waits for room.
    const NativeHandle devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    auto encoders = encodersFeeding(devNull);
    for (auto _ : state)
        encoders->enqueueFrame(source.data(), pitch, height, rowBytes, PassKind::Main,
                               RowOrder::Reversed);
    encoders->close();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * frameBytes));
}
BENCHMARK(captureOnePass)->Unit(benchmark::kMillisecond)->UseRealTime();

// The copy alone, into as many destinations as it rotates through: one is
// the strictest baseline, a destination that stays in the caches.
void memcpyOnePass(benchmark::State& state) {
    const auto source = mappedFrame();
    std::vector<std::vector<std::uint8_t>> targets(static_cast<std::size_t>(state.range(0)),
                                                   std::vector<std::uint8_t>(frameBytes));
    std::size_t next = 0;
    for (auto _ : state) {
        std::uint8_t* target = targets[next++ % targets.size()].data();
        std::memcpy(target, source.data(), frameBytes);
        benchmark::DoNotOptimize(target);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * frameBytes));
}
BENCHMARK(memcpyOnePass)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

// Encoders that fall behind: the queue holds several frames, so each pass is
// packed into a buffer the writer emptied long ago. Compare with memcpyOnePass/8.
void captureIntoDeepQueue(benchmark::State& state) {
    constexpr int depth = 8;
    const auto source = mappedFrame();
    const NativeHandle devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    auto encoders = std::make_unique<EncoderSet>();
    encoders->begin(width, height, steadyNanoseconds());
    encoders->attach(PassKind::Main, devNull);
    // No writer: the frames stay queued until the queue is emptied below,
    // outside the timing, and their buffers go back to the spares.
    int queued = 0;
    for (auto _ : state) {
        encoders->enqueueFrame(source.data(), pitch, height, rowBytes, PassKind::Main,
                               RowOrder::Reversed);
        if (++queued == depth) {
            state.PauseTiming();
            encoders->discardQueued();
            queued = 0;
            state.ResumeTiming();
        }
    }
    encoders->discardQueued();
    encoders->attach(PassKind::Main, invalidPipe);
    close(static_cast<int>(devNull));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * frameBytes));
}
BENCHMARK(captureIntoDeepQueue)->Unit(benchmark::kMillisecond)->UseRealTime();

constexpr int framesPerRun = 60;

void writerIntoPipe(benchmark::State& state) {
    const auto source = mappedFrame();
    for (auto _ : state) {
        DiscardingPipe pipe;
        auto encoders = encodersFeeding(pipe.fds[1]);
        for (int f = 0; f < framesPerRun; ++f)
            encoders->enqueueFrame(source.data(), pitch, height, rowBytes, PassKind::Main,
                                   RowOrder::Reversed);
        encoders->close(); // drains the queue, closes the pipe
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * framesPerRun * frameBytes));
}
BENCHMARK(writerIntoPipe)->Unit(benchmark::kMillisecond)->UseRealTime();

void bigWriteLoop(benchmark::State& state) {
    const std::vector<std::uint8_t> all(framesPerRun * frameBytes, 7);
    for (auto _ : state) {
        DiscardingPipe pipe;
        for (std::size_t done = 0; done < all.size();) {
            const ssize_t n = write(pipe.fds[1], all.data() + done, all.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        close(pipe.fds[1]);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * all.size()));
}
BENCHMARK(bigWriteLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
