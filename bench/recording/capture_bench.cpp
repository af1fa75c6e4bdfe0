// Render-thread cost of one captured 1080p pass (pack + queue) against a
// plain memcpy of the same bytes, and the writer's throughput into a pipe
// whose reader only discards against one big write loop into the same kind
// of pipe. Report: captureOnePass / memcpyOnePass/1 and captureIntoDeepQueue
// / memcpyOnePass/8 times (goal below 1.5), and writer/loop bytes per second
// (goal at least 0.8). captureOnePass / captureWithoutStallWatch is what the
// stall watch costs the render thread (goal: no measurable difference).
#include "core/kivren.h"
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

std::unique_ptr<Kivren> pluginFeeding(NativeHandle pipe) {
    auto plugin = std::make_unique<Kivren>();
    plugin->frameWidth = width;
    plugin->frameHeight = height;
    plugin->encoders[0].pipe = pipe;
    plugin->startWriter();
    return plugin;
}

void captureOnePass(benchmark::State& state) {
    const auto source = mappedFrame();
    // Writes cost nothing, so the render thread never waits for room.
    const NativeHandle devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    auto plugin = pluginFeeding(devNull);
    for (auto _ : state)
        plugin->enqueueFrame(source.data(), pitch, height, rowBytes, PassKind::Main,
                             RowOrder::reversed);
    plugin->closeEncoders();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * frameBytes));
}
BENCHMARK(captureOnePass)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same pack and queue as enqueueFrame before the stall watch: a wait for
// room without a limit, on the plugin's own queue and writer.
void enqueueWithoutStallWatch(Kivren& plugin, const std::uint8_t* data) {
    const NativeHandle pipe = plugin.encoders[0].pipe;
    if (pipe == invalidPipe)
        return;
    FrameBytes pixels = FrameBytes::allocate(frameBytes);
    packFrame(pixels.data.get(), rowBytes, height, {data, pitch, height, rowBytes},
              RowOrder::reversed);
    {
        std::unique_lock lock(plugin.queueMutex);
        plugin.queueReady.wait(lock, [&] {
            std::size_t queued = 0;
            for (const PendingFrame& frame : plugin.frameQueue)
                queued += frame.pixels.size;
            return plugin.frameQueue.empty() || queued + frameBytes <= plugin.frameQueueBudget ||
                   !plugin.writerRunning.load();
        });
        plugin.frameQueue.push_back({std::move(pixels), pipe, PassKind::Main});
    }
    plugin.queueReady.notify_all();
}

void captureWithoutStallWatch(benchmark::State& state) {
    const auto source = mappedFrame();
    const NativeHandle devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    auto plugin = pluginFeeding(devNull);
    for (auto _ : state)
        enqueueWithoutStallWatch(*plugin, source.data());
    plugin->closeEncoders();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * frameBytes));
}
BENCHMARK(captureWithoutStallWatch)->Unit(benchmark::kMillisecond)->UseRealTime();

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
    auto plugin = std::make_unique<Kivren>();
    plugin->frameWidth = width;
    plugin->frameHeight = height;
    plugin->encoders[0].pipe = open("/dev/null", O_WRONLY | O_CLOEXEC);
    // No writer: the frames stay queued until the queue is emptied below,
    // outside the timing, and their buffers go back to the spares.
    int queued = 0;
    for (auto _ : state) {
        plugin->enqueueFrame(source.data(), pitch, height, rowBytes, PassKind::Main,
                             RowOrder::reversed);
        if (++queued == depth) {
            state.PauseTiming();
            plugin->frameQueue.clear();
            queued = 0;
            state.ResumeTiming();
        }
    }
    plugin->frameQueue.clear();
    close(static_cast<int>(plugin->encoders[0].pipe));
    plugin->encoders[0].pipe = invalidPipe;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * frameBytes));
}
BENCHMARK(captureIntoDeepQueue)->Unit(benchmark::kMillisecond)->UseRealTime();

constexpr int framesPerRun = 60;

void writerIntoPipe(benchmark::State& state) {
    const auto source = mappedFrame();
    for (auto _ : state) {
        DiscardingPipe pipe;
        auto plugin = pluginFeeding(pipe.fds[1]);
        for (int f = 0; f < framesPerRun; ++f)
            plugin->enqueueFrame(source.data(), pitch, height, rowBytes, PassKind::Main,
                                 RowOrder::reversed);
        plugin->closeEncoders(); // drains the queue, closes the pipe
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
