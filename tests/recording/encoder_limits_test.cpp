// Encoders that stall or never exit, with the limits shortened so that each
// case takes seconds: a recording session built in the test program, on the
// stand-in console and effect runtime, its frames handed over as ReShade's
// events would, the stand-in encoder in place of FFmpeg.
#include "core/plugin_settings.h"
#include "idpass/id_pass.h"
#include "recording/recording_session.h"
#include "recording_fixture.h"
#include "sdk_handles.h"
#include "sim_console.h"

namespace {

class EncoderLimitsInSession : public RecordingOutput {
protected:
    void SetUp() override {
        // The session logs into ReShade's log: the stand-in module is loaded first.
        StandInReShade::instance().reset();
        std::filesystem::create_directories(out());
        console = std::make_shared<SimConsole>(scratch.path() / "cfg");
        cvars = makeCVarManagerWrapper(console);
        settings.registerVariables(*cvars, [this](CVarWrapper cvar) { settings.publish(cvar); });
        set("kivren_path", out().string());
        set("kivren_ffmpeg_path", (executableFolder() / KIVREN_FAKE_ENCODER).string());
        set("kivren_fps", "200");
        createRuntime(reshade::api::format::b8g8r8a8_unorm, passTextures());
    }
    void TearDown() override { session.stopForUnload(); }

    void set(const std::string& name, const std::string& value) {
        console->getCvar(name)->setValue(value);
    }
    template <typename Change> void changeEncoderLimits(Change change) {
        EncoderLimits limits = session.encoders().limits();
        change(limits);
        session.setEncoderLimits(limits);
    }

    // The pictures drawn, then ReShade's events 76 and 77 as the plugin passes them on.
    void present(std::uint32_t frame) {
        const std::vector<std::string> textures = passTextures();
        for (std::uint32_t pass = 0; pass < 3; ++pass)
            runtime->drawEffectTexture(textures[pass], simTestPicture(width, height, frame, pass));
        runtime->drawBackBuffer(simTestPicture(width, height, frame, 3));
        session.captureCustomPass(runtime.get(), runtime->backBufferView());
        session.processFrame(runtime.get(), runtime->backBufferView());
    }
    // Each frame after kivren_fps's interval, so that every one is processed.
    void presentPaced(std::uint32_t first, std::uint32_t count) {
        for (std::uint32_t i = first; i < first + count; ++i) {
            present(i);
            std::this_thread::sleep_for(std::chrono::microseconds(1'000'000 / 200 + 500));
        }
    }
    static double secondsSince(std::chrono::steady_clock::time_point start) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    std::shared_ptr<SimConsole> console;
    std::shared_ptr<CVarManagerWrapper> cvars;
    PluginSettings settings;
    IdPass idPass;
    RecordingSession session{settings, idPass};
};

} // namespace

// FFmpeg alive but no longer reading: once the queue is full, the game waits
// for it at most the stall limit, then that pass is dropped and the others
// go on; the stop does not wait for it either.
TEST_F(EncoderLimitsInSession, AnEncoderThatStopsReadingIsDroppedAndNothingWaitsForIt) {
    width = 256;
    height = 256;
    createRuntime(reshade::api::format::b8g8r8a8_unorm, passTextures());
    set("kivren_normal", "1");
    std::ofstream(file(" - depth.mov") + ".fake")
        << "hang_after=" << 2 * frameBytes() << "\nstderr=[mov @ 0x1] Error: the disk is gone\n";
    changeEncoderLimits([&](EncoderLimits& l) { l.queueBudget = 4 * frameBytes(); });
    const double limit = static_cast<double>(session.encoders().limits().stall.running) / 1e9;

    session.request();
    double longestFrame = 0;
    for (std::uint32_t i = 0; i < 30; ++i) {
        const auto start = std::chrono::steady_clock::now();
        present(i);
        longestFrame = std::max(longestFrame, secondsSince(start));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    session.cancel();
    const auto stopping = std::chrono::steady_clock::now();
    present(30);
    const double stop = secondsSince(stopping);

    // The game waited once, for about the limit, and no longer.
    EXPECT_GT(longestFrame, limit / 2);
    EXPECT_LT(longestFrame, limit + 3.0);
    EXPECT_LT(stop, limit) << "the stalled pass was already dropped";
    const auto failures = logAt('1');
    ASSERT_EQ(failures.size(), 1u) << testing::PrintToString(failures);
    EXPECT_TRUE(std::regex_match(
        failures[0],
        std::regex(R"(\[Kivren\] Depth pass stalled: its encoder has taken no data since )"
                   R"(\d+\.\d s into the recording \(frame \d+ of the pass\), so the pass )"
                   R"(ends there and its encoder was stopped; the other passes go on\. )"
                   R"(FFmpeg: \[mov @ 0x1\] Error: the disk is gone)")))
        << failures[0];
    // No frame of the other passes was lost.
    EXPECT_EQ(readFile(file(".mov")).size(), 30 * frameBytes());
    EXPECT_EQ(readFile(file(" - normal.mov")).size(), 30 * frameBytes());
    const std::string data = readFile(file(".txt"));
    EXPECT_EQ(std::count(data.begin(), data.end(), '|'), 30);
    EXPECT_EQ(count(logAt('4'), statistics), 1u);
}

// A child that keeps its input's end but never exits is ended after doing
// nothing for the idle limit, and the stop says so.
TEST_F(EncoderLimitsInSession, AnEncoderThatNeverExitsIsEndedAtTheStop) {
    set("kivren_normal", "1");
    std::ofstream(file(" - normal.mov") + ".fake") << "hang_at_end=1\n";
    changeEncoderLimits([](EncoderLimits& l) { l.idleLimit = 1'000'000'000; });
    session.request();
    presentPaced(0, 4);
    session.cancel();
    const auto stopping = std::chrono::steady_clock::now();
    present(4);
    const double stop = secondsSince(stopping);

    EXPECT_GE(stop, 1.0);
    EXPECT_LT(stop, 5.0);
    EXPECT_EQ(logAt('1'), std::vector<std::string>{"[Kivren] Normal pass: its encoder did nothing "
                                                   "for 1 s after its input ended and was "
                                                   "stopped; " +
                                                   file(" - normal.mov") + " may be unreadable."});
    EXPECT_EQ(readFile(file(" - normal.mov")).size(), 4 * frameBytes());
    EXPECT_EQ(readFile(file(".mov")).size(), 4 * frameBytes());
}
