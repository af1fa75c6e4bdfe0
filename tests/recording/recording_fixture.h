#pragma once
// Recordings in the stand-in effect runtime, with the stand-in encoder in
// place of FFmpeg.

#include "plugin_library.h"
#include "reshade_module.h"
#include "scratch_folder.h"
#include "sim_effect_runtime.h"
#include "sim_frame_driver.h"
#include "sim_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

// What every recording test reads, whoever runs the session: the take's
// files, ReShade's log, the pictures the stand-in runtime was given.
class RecordingOutput : public testing::Test {
protected:
    std::uint32_t width = 32;
    std::uint32_t height = 16;

    std::filesystem::path out() const { return scratch.path() / "out"; }
    std::string file(const std::string& suffix, const std::string& take = "video") const {
        return (out() / (take + suffix)).string();
    }
    void createRuntime(reshade::api::format format, const std::vector<std::string>& textures) {
        runtime = std::make_unique<SimEffectRuntime>(width, height, format);
        for (const std::string& name : textures)
            runtime->addEffectTexture("kivren2.fx", name);
    }
    static std::vector<std::string> passTextures() {
        return {"Kivren_Main", "Kivren_Depth", "Kivren_Normal"};
    }

    std::size_t frameBytes() const { return std::size_t{width} * height * 4; }

    // The picture of frame n for a pass, as the encoder must receive it.
    std::string expectedFrame(std::uint32_t frame, std::uint32_t pass, bool rgba) const {
        const SimPicture picture = simTestPicture(width, height, frame, pass);
        std::string bytes(picture.rgba.size(), '\0');
        for (std::size_t i = 0; i < picture.rgba.size(); i += 4) {
            bytes[i] = static_cast<char>(picture.rgba[i + (rgba ? 0 : 2)]);
            bytes[i + 1] = static_cast<char>(picture.rgba[i + 1]);
            bytes[i + 2] = static_cast<char>(picture.rgba[i + (rgba ? 2 : 0)]);
            bytes[i + 3] = static_cast<char>(picture.rgba[i + 3]);
        }
        return bytes;
    }

    static std::vector<std::string> log() { return StandInReShade::instance().logLines(); }
    static std::vector<std::string> logAt(char level) {
        return StandInReShade::instance().logLinesAt(level - '0');
    }
    static std::size_t count(const std::vector<std::string>& lines, const std::string& regex) {
        const std::regex pattern(regex);
        return static_cast<std::size_t>(std::count_if(
            lines.begin(), lines.end(), [&](auto& l) { return std::regex_match(l, pattern); }));
    }
    static constexpr const char* statistics = R"(\[Kivren\] (\d+) frames  (\d+)ms  \(~(\d+) fps\))";

    ScratchFolder scratch;
    std::unique_ptr<SimEffectRuntime> runtime;
};

// A whole recording as the game makes one: the built plugin loaded by the
// stand-in host beside the stand-in ReShade, frames presented through the
// stand-in effect runtime, the console used as a person would.
class RecordingFixture : public RecordingOutput {
protected:
    void SetUp() override {
        StandInReShade::instance().reset();
        host = std::make_unique<SimHost>(scratch.path() / "host");
        std::string error;
        ASSERT_TRUE(host->loadPlugin(SimHost::builtPlugin(), &error)) << error;
        std::filesystem::create_directory(out());
        makeRuntime(reshade::api::format::b8g8r8a8_unorm);
        set("kivren_path", out().string());
        set("kivren_ffmpeg_path", (executableFolder() / KIVREN_FAKE_ENCODER).string());
        set("kivren_fps", "200");
        host->game().setState(SimFrameDriver::replayAt(0, 2));
    }
    void TearDown() override {
        if (host)
            host->unloadPlugin();
    }

    void makeRuntime(reshade::api::format format,
                     const std::vector<std::string>& textures = passTextures()) {
        createRuntime(format, textures);
        driver = std::make_unique<SimFrameDriver>(*host, *runtime);
    }

    void set(const std::string& name, const std::string& value) {
        host->console().getCvar(name)->setValue(value);
    }
    void run(const std::string& line) { host->console().run(line); }

    // Frames first..first+count-1, each presented once the interval of
    // kivren_fps has passed, so that every one is processed.
    void presentPaced(std::uint32_t first, std::uint32_t count) {
        const auto interval =
            std::chrono::microseconds(1'000'000 / fps()) + std::chrono::microseconds(500);
        for (std::uint32_t i = first; i < first + count; ++i) {
            driver->present(i);
            std::this_thread::sleep_for(interval);
        }
    }
    int fps() const { return std::stoi(host->console().value("kivren_fps")); }

    // Starts, presents count paced frames, stops (at the frame after them).
    void record(std::uint32_t count) {
        run("kivren_start");
        presentPaced(0, count);
        run("kivren_stop");
        driver->present(count);
    }

    std::unique_ptr<SimHost> host;
    std::unique_ptr<SimFrameDriver> driver;
};
