// A whole 1080p recording of 120 Main frames encoded by the real FFmpeg, fed
// by the plugin through the stand-in host and runtime, against FFmpeg
// encoding the same raw frames from a file. Report: file time / plugin time
// (goal at least 0.95: the plugin is never the bottleneck).
#include "reshade_module.h"
#include "sim_effect_runtime.h"
#include "sim_host.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

constexpr std::uint32_t width = 1920;
constexpr std::uint32_t height = 1080;
constexpr int frames = 120;

std::filesystem::path workFolder() {
    const auto folder = std::filesystem::temp_directory_path() / "kivren-bench-recording";
    std::filesystem::create_directories(folder);
    return folder;
}

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

void recordThroughPlugin(benchmark::State& state) {
    const auto folder = workFolder();
    StandInReShade& reshade = StandInReShade::instance();
    reshade.reset();
    SimHost host(folder / "host");
    if (!host.loadPlugin(SimHost::builtPlugin())) {
        state.SkipWithError("cannot load the plugin");
        return;
    }
    SimEffectRuntime runtime(width, height, reshade::api::format::b8g8r8a8_unorm);
    runtime.addEffectTexture("kivren2.fx", "Kivren_Main");
    runtime.drawEffectTexture("Kivren_Main", simTestPicture(width, height, 0, 0));
    host.game().setInReplay(true);
    host.console().getCvar("kivren_path")->setValue(folder.string());
    host.console().getCvar("kivren_depth")->setValue(std::string("0"));
    host.console().getCvar("kivren_fps")->setValue(std::string("999"));
    auto* list = runtime.queue().get_immediate_command_list();
    const std::uint64_t rtv = runtime.backBufferView().handle;

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
    const std::string command =
        "ffmpeg -v error -y -f rawvideo -pixel_format bgra -video_size 1920x1080 -framerate 999 "
        "-i '" +
        raw.string() +
        "' -c:v prores_ks -profile:v 3 -pix_fmt yuv422p10le -movflags "
        "+faststart '" +
        (folder / "from-file.mov").string() + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("ffmpeg failed");
    }
    std::filesystem::remove(raw);
}
BENCHMARK(encodeFromFile)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
