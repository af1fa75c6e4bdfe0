// A whole 1080p recording of 120 Main frames encoded by the real FFmpeg, fed
// by the plugin through the stand-in host and runtime, against FFmpeg
// encoding the same raw frames from a file, and against FFmpeg fed the same
// frames through a pipe by the least any capture must do. Report: file time /
// plugin time and direct-feed time / plugin time (goal at least 0.95: the
// plugin is never the bottleneck).
//
// On a machine whose cores FFmpeg keeps busy, every second of processor time
// spent beside it delays it by about a second over the number of cores. The
// stand-in runtime does on the processor what a real one leaves to the GPU
// (the copy into the readback texture), and any capture has to push the
// bytes through a pipe: encodeFedDirectly pays exactly these and nothing else,
// so that it and the plugin's run differ only by what the plugin adds (its
// queue, its packing copy, its frame memory). host_cpu_s shows the split.
#include "reshade_module.h"
#include "sim_effect_runtime.h"
#include "sim_host.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/uio.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace {

constexpr std::uint32_t width = 1920;
constexpr std::uint32_t height = 1080;
constexpr int frames = 120;

std::filesystem::path workFolder() {
    const auto folder = std::filesystem::temp_directory_path() / "kivren-bench-recording";
    std::filesystem::create_directories(folder);
    return folder;
}

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

// Processor time of this process and of its ended children (the encoders),
// so that a slower run can be told apart from a busier machine: on two cores
// every second the host spends is half a second the encoder waits.
struct ProcessorTime {
    double host = 0;
    double encoders = 0;

    static ProcessorTime now() {
        rusage self{}, children{};
        getrusage(RUSAGE_SELF, &self);
        getrusage(RUSAGE_CHILDREN, &children);
        return {seconds(self.ru_utime) + seconds(self.ru_stime),
                seconds(children.ru_utime) + seconds(children.ru_stime)};
    }

    void report(benchmark::State& state) const {
        const ProcessorTime end = now();
        state.counters["host_cpu_s"] = end.host - host;
        state.counters["encoder_cpu_s"] = end.encoders - encoders;
    }
};

// The bytes the plugin hands FFmpeg for the picture: top row first, BGRA.
std::string bgraOf(const SimPicture& picture) {
    std::string bytes(picture.rgba.size(), '\0');
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
        bytes[i] = static_cast<char>(picture.rgba[i + 2]);
        bytes[i + 1] = static_cast<char>(picture.rgba[i + 1]);
        bytes[i + 2] = static_cast<char>(picture.rgba[i]);
        bytes[i + 3] = static_cast<char>(picture.rgba[i + 3]);
    }
    return bytes;
}

// The stand-in runtime with the Main effect texture drawn: the same frames in
// every benchmark.
std::unique_ptr<SimEffectRuntime> standInRuntime() {
    auto runtime =
        std::make_unique<SimEffectRuntime>(width, height, reshade::api::format::b8g8r8a8_unorm);
    runtime->addEffectTexture("kivren2.fx", "Kivren_Main");
    runtime->drawEffectTexture("Kivren_Main", simTestPicture(width, height, 0, 0));
    return runtime;
}

// The plugin's command line, with the input given and FFmpeg's chatter off.
std::string encoderCommand(const std::string& input, const std::filesystem::path& output) {
    std::string command = "ffmpeg -v error -y -f rawvideo -pixel_format bgra -video_size "
                          "1920x1080 -framerate 999 -i ";
    command.append(input);
    command.append(" -c:v prores_ks -profile:v 3 -pix_fmt yuv422p10le -movflags +faststart '");
    command.append(output.string());
    command.append("'");
    return command;
}

void recordThroughPlugin(benchmark::State& state) {
    const auto folder = workFolder();
    StandInReShade& reshade = StandInReShade::instance();
    reshade.reset();
    SimHost host(folder / "host");
    if (!host.loadPlugin(SimHost::builtPlugin())) {
        state.SkipWithError("cannot load the plugin");
        return;
    }
    const auto standIn = standInRuntime();
    SimEffectRuntime& runtime = *standIn;
    host.game().setInReplay(true);
    host.console().getCvar("kivren_path")->setValue(folder.string());
    host.console().getCvar("kivren_depth")->setValue(std::string("0"));
    host.console().getCvar("kivren_fps")->setValue(std::string("999"));
    auto* list = runtime.queue().get_immediate_command_list();
    const std::uint64_t rtv = runtime.backBufferView().handle;

    const ProcessorTime start = ProcessorTime::now();
    for (auto _ : state) {
        host.console().run("kivren_start");
        for (int f = 0; f <= frames; ++f) {
            if (f == frames)
                host.console().run("kivren_stop");
            reshade.fireBeginEffects(&runtime, list, rtv);
            reshade.fireFinishEffects(&runtime, list, rtv);
            reshade.firePresent(&runtime);
            // Every frame is processed: kivren_fps 999 lets one through per 1001 us.
            std::this_thread::sleep_for(std::chrono::microseconds(1100));
        }
    }
    start.report(state);
    for (const std::string& line : reshade.logLines())
        if (line.rfind("4 ", 0) == 0)
            state.SetLabel(line.substr(2));
    host.unloadPlugin();
}
BENCHMARK(recordThroughPlugin)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void encodeFromFile(benchmark::State& state) {
    const auto folder = workFolder();
    const auto raw = folder / "frames.raw";
    {
        const std::string frame = bgraOf(simTestPicture(width, height, 0, 0));
        std::ofstream out(raw, std::ios::binary);
        for (int f = 0; f < frames; ++f)
            out.write(frame.data(), static_cast<std::streamsize>(frame.size()));
    }
    std::string quotedRaw = "'";
    quotedRaw.append(raw.string()).append("'");
    const std::string command = encoderCommand(quotedRaw, folder / "from-file.mov");
    const ProcessorTime start = ProcessorTime::now();
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("ffmpeg failed");
    }
    start.report(state);
    std::filesystem::remove(raw);
}
BENCHMARK(encodeFromFile)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void findMainTexture(reshade::api::effect_runtime* runtime,
                     reshade::api::effect_texture_variable variable, void* view) {
    runtime->get_texture_binding(variable, static_cast<reshade::api::resource_view*>(view));
}

// Writes the mapped rows, last first, straight from the mapping into the pipe.
bool writeRowsReversed(int pipe, const reshade::api::subresource_data& mapped) {
    std::vector<iovec> rows(height);
    for (std::uint32_t i = 0; i < height; ++i)
        rows[i] = {static_cast<std::uint8_t*>(mapped.data) +
                       std::size_t{height - 1 - i} * mapped.row_pitch,
                   std::size_t{width} * 4};
    for (std::size_t next = 0; next < rows.size();) {
        const int count = static_cast<int>(std::min<std::size_t>(rows.size() - next, IOV_MAX));
        ssize_t written = writev(pipe, rows.data() + next, count);
        if (written <= 0)
            return false;
        // A signal may cut a write short, even in the middle of a row.
        while (written > 0) {
            const auto part =
                std::min<std::size_t>(static_cast<std::size_t>(written), rows[next].iov_len);
            rows[next].iov_base = static_cast<std::uint8_t*>(rows[next].iov_base) + part;
            rows[next].iov_len -= part;
            written -= static_cast<ssize_t>(part);
            if (rows[next].iov_len == 0)
                ++next;
        }
    }
    return true;
}

// The least a capture can do on the stand-in runtime: the same copy into a
// readback texture the plugin asks for, then the mapped rows written straight
// into FFmpeg's pipe, with no queue and no copy of its own.
void encodeFedDirectly(benchmark::State& state) {
    namespace api = reshade::api;
    const auto folder = workFolder();
    const auto runtime = standInRuntime();
    api::device* device = runtime->get_device();
    api::command_queue* queue = runtime->get_command_queue();
    api::command_list* list = queue->get_immediate_command_list();
    api::resource_view view{};
    runtime->enumerate_texture_variables("kivren2.fx", findMainTexture, &view);
    const api::resource texture = device->get_resource_from_view(view);
    api::resource_desc desc = device->get_resource_desc(texture);
    desc.heap = api::memory_heap::gpu_to_cpu;
    desc.usage = api::resource_usage::copy_dest;
    desc.flags = api::resource_flags::none;
    api::resource readback{};
    if (!device->create_resource(desc, nullptr, api::resource_usage::copy_dest, &readback)) {
        state.SkipWithError("no readback texture");
        return;
    }
    const std::string command = encoderCommand("pipe:0", folder / "fed-directly.mov");
    // A vanished encoder shows as a failed write, as in the plugin.
    signal(SIGPIPE, SIG_IGN);

    const ProcessorTime start = ProcessorTime::now();
    for (auto _ : state) {
        FILE* encoder = popen(command.c_str(), "w");
        if (!encoder) {
            state.SkipWithError("cannot start ffmpeg");
            break;
        }
        const int pipe = fileno(encoder);
        fcntl(pipe, F_SETPIPE_SZ, 1 << 20); // as the plugin's pipes
        bool written = true;
        for (int f = 0; f < frames && written; ++f) {
            list->barrier(texture, api::resource_usage::render_target,
                          api::resource_usage::copy_source);
            list->copy_texture_region(texture, 0, nullptr, readback, 0, nullptr);
            list->barrier(texture, api::resource_usage::copy_source,
                          api::resource_usage::render_target);
            queue->flush_immediate_command_list();
            queue->wait_idle();
            api::subresource_data mapped{};
            if (!device->map_texture_region(readback, 0, nullptr, api::map_access::read_only,
                                            &mapped)) {
                written = false;
                break;
            }
            written = writeRowsReversed(pipe, mapped);
            device->unmap_texture_region(readback, 0);
        }
        if (pclose(encoder) != 0 || !written)
            state.SkipWithError("ffmpeg failed");
    }
    start.report(state);
    device->destroy_resource(readback);
}
BENCHMARK(encodeFedDirectly)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
