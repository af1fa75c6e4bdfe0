// What goes wrong around a recording: starts that must be refused before
// anything is created, an FFmpeg that cannot start, passes that get no frame,
// textures the effect lacks. Each gets a clear level-1 line and nothing
// already recorded is lost. Encoders that fail, stall or never finish are
// the encoder set's own tests (encoders_test, encoder_limits_test).
#include "recording_fixture.h"

namespace {

class RefusedStart : public RecordingFixture {
protected:
    // The start is refused at the next frame, the request is lowered (a later
    // frame starts nothing either), and nothing was created or launched.
    void expectRefused(const std::string& line) {
        const std::size_t before = logAt('1').size();
        run("kivren_start");
        driver->present(0);
        driver->present(1);
        const auto failures = logAt('1');
        EXPECT_EQ(
            std::vector<std::string>(failures.begin() + static_cast<long>(before), failures.end()),
            std::vector<std::string>{line});
        EXPECT_EQ(count(logAt('3'), R"(.*(started|Stopping).*)"), 0u);
        EXPECT_EQ(runtime->device().readbackTextureCount(), 0u);
        EXPECT_FALSE(std::filesystem::exists(file(".txt")));
    }
};

TEST_F(RefusedStart, MissingOutputFolder) {
    const std::string missing = (out() / "missing").string();
    set("kivren_path", missing);
    expectRefused("[Kivren] Output folder " + missing + " does not exist; recording not started.");
}

TEST_F(RefusedStart, SettingsThatWouldAddArguments) {
    set("kivren_name", "video\" -f \"evil");
    expectRefused("[Kivren] kivren_name contains a double quote or a control character; "
                  "recording not started.");
    set("kivren_name", "video");
    set("kivren_ffmpeg_path", "ffmpeg\" -i \"x");
    expectRefused("[Kivren] kivren_ffmpeg_path contains a double quote or a control character; "
                  "recording not started.");
    set("kivren_ffmpeg_path", "ffmpeg");
    set("kivren_path", out().string() + "\t");
    expectRefused("[Kivren] kivren_path contains a double quote or a control character; "
                  "recording not started.");
}

TEST_F(RefusedStart, ReadbackTextureCreationFails) {
    runtime->device().failCreationAfter(2);
    const std::size_t before = runtime->device().textureCount();
    expectRefused("[Kivren] Failed to create host resources!");
    EXPECT_EQ(runtime->device().textureCount(), before);
}

TEST_F(RecordingFixture, MissingFfmpegIsReportedPerPass) {
    set("kivren_ffmpeg_path", (out() / "no-such-ffmpeg.exe").string());
    record(3);
    // The system's own words for the code follow, in the system's language.
    const std::string launch = R"(\[Kivren\] FFmpeg launch failed \(2\)\. Check ffmpeg\.exe is on )"
                               R"(PATH or set kivren_ffmpeg_path\. \(error 2: [^()]+\))";
    EXPECT_EQ(logAt('1').size(), 2u);
    EXPECT_EQ(count(logAt('1'), launch), 2u) << testing::PrintToString(logAt('1'));
    // The frame data is still recorded, and the session ends as usual.
    EXPECT_EQ(readFile(file(".txt")).size() > 0, true);
    EXPECT_EQ(count(logAt('4'), statistics), 1u);
}

// The Custom pass gets its first frame in the frame after a Main capture; a
// recording stopped at once leaves it none, and the empty file its encoder
// made (FFmpeg's would be an unreadable 185 bytes) is removed.
TEST_F(RecordingFixture, APassThatGotNoFrameLeavesNoFile) {
    set("kivren_custom_pass", "1");
    run("kivren_start");
    driver->present(0);
    run("kivren_stop");
    driver->present(1);
    EXPECT_EQ(logAt('1'), std::vector<std::string>{"[Kivren] Custom pass received no frame; its "
                                                   "empty file " +
                                                   file(" - custom pass.mov") + " was removed."});
    EXPECT_FALSE(std::filesystem::exists(file(" - custom pass.mov")));
    EXPECT_EQ(readFile(file(".mov")).size(), frameBytes());
}

TEST_F(RecordingFixture, TextureMissingFromTheEffect) {
    makeRuntime(reshade::api::format::b8g8r8a8_unorm, {"Kivren_Main", "Kivren_Main2"});
    record(4);
    EXPECT_EQ(logAt('1'), std::vector<std::string>{"[Kivren] kivren2.fx has no texture "
                                                   "Kivren_Depth; the Depth pass records "
                                                   "unchanged frames."});
    // Depth keeps its place beside Main, with frames of unchanged content.
    EXPECT_EQ(readFile(file(".mov")).size(), 4 * frameBytes());
    EXPECT_EQ(readFile(file(" - depth.mov")), std::string(4 * frameBytes(), '\0'));
    EXPECT_TRUE(runtime->device().errors().empty());

    // Without Kivren_Main the effect is searched again on every processed frame.
    makeRuntime(reshade::api::format::b8g8r8a8_unorm, {"Kivren_Depth"});
    set("kivren_name", "second");
    record(3);
    EXPECT_EQ(runtime->enumerations(), 3);
    EXPECT_EQ(readFile(file(".mov", "second")), std::string(3 * frameBytes(), '\0'));
}

TEST_F(RecordingFixture, EffectTextureCompiledAfterTheStartIsReadInItsOwnFormat) {
    // ReShade compiles effects in the background: at the start there is no
    // texture yet, and the readback texture takes the back buffer's BGRA.
    makeRuntime(reshade::api::format::b8g8r8a8_unorm, {});
    set("kivren_depth", "0");
    run("kivren_start");
    presentPaced(0, 2);
    runtime->addEffectTexture("kivren2.fx", "Kivren_Main");
    presentPaced(2, 2);
    run("kivren_stop");
    driver->present(4);

    EXPECT_EQ(readFile(file(".mov")), std::string(2 * frameBytes(), '\0') +
                                          expectedFrame(2, 0, false) + expectedFrame(3, 0, false));
    EXPECT_TRUE(runtime->device().refusedCopies().empty())
        << testing::PrintToString(runtime->device().refusedCopies());
    EXPECT_EQ(logAt('1'), std::vector<std::string>{"[Kivren] kivren2.fx has no texture "
                                                   "Kivren_Main; the Main pass records "
                                                   "unchanged frames."});
}

} // namespace
