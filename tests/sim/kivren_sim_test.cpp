// kivren-sim run as a user runs it, with the stand-in encoder (which keeps
// the raw frames it is fed) in place of FFmpeg, so the same checks hold on
// Windows under Wine, where the game's draws go through the real Direct3D 11:
// the files line up, every Main frame is the scene of its frame data entry,
// and the Custom frames show the listed meshes in their flat colours. Bad
// input ends with one clear line and the documented exit status.
#include "frame_data_reader.h"
#include "replay_check.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

constexpr std::uint32_t width = 128;
constexpr std::uint32_t height = 72;
constexpr std::uint32_t gameFrames = 12;
constexpr int gameFps = 60;
constexpr int cars = 2;
// The goals make a large flat area; the ball and a car come into view now and then.
const std::vector<std::string> listed{"ball", "body_octane", "pitch_goals"};

class KivrenSimStandInEncoder : public testing::Test {
protected:
    static void SetUpTestSuite() {
        scratch = new ScratchFolder;
        run = new ProgramRun(runProgram(
            simProgram(), {"--out",      out().string(),
                           "--name",     "clip",
                           "--size",     std::to_string(width) + "x" + std::to_string(height),
                           "--frames",   std::to_string(gameFrames),
                           "--game-fps", std::to_string(gameFps),
                           "--fps",      "250",
                           "--pace",     "fast",
                           "--cars",     std::to_string(cars),
                           "--id-pass",  "ball,body_octane",
                           "--ffmpeg",   fakeEncoder().string(),
                           "--quiet"}));
    }
    static void TearDownTestSuite() {
        delete run;
        delete scratch;
    }
    static std::filesystem::path out() { return scratch->path() / "out"; }
    static std::string file(const std::string& suffix) {
        return readFile(out() / ("clip" + suffix));
    }
    // The stand-in encoder keeps the BGRA frames it is fed; as RGBA.
    static std::string rgbaFrames(const std::string& suffix) {
        std::string bytes = file(suffix);
        for (std::size_t i = 0; i + 3 < bytes.size(); i += 4)
            std::swap(bytes[i], bytes[i + 2]);
        return bytes;
    }

    static inline ScratchFolder* scratch = nullptr;
    static inline ProgramRun* run = nullptr;
};

TEST_F(KivrenSimStandInEncoder, FilesLineUpAndTheSummarySaysSo) {
    ASSERT_EQ(run->exitCode, 0) << run->output;
    EXPECT_EQ(linesStartingWith(run->output, "All files line up").size(), 1u) << run->output;

    // Every game frame is processed; with the ID pass on, turns alternate
    // between the three effect passes and the Custom pass.
    const std::size_t frameBytes = std::size_t{width} * height * 4;
    const std::size_t main = (gameFrames + 1) / 2;
    EXPECT_EQ(file(".mov").size(), main * frameBytes);
    EXPECT_EQ(file(" - depth.mov").size(), main * frameBytes);
    EXPECT_EQ(file(" - normal.mov").size(), main * frameBytes);
    const std::size_t custom = file(" - custom pass.mov").size();
    EXPECT_TRUE(custom == main * frameBytes || custom == (main - 1) * frameBytes) << custom;
    FrameData data;
    FrameDataError error;
    ASSERT_TRUE(readFrameDataFile(out() / "clip.txt", data, error)) << error.message;
    EXPECT_EQ(data.entries.size(), main);
    EXPECT_EQ(summaryCount(run->output, "clip.mov"), static_cast<long long>(main));
}

TEST_F(KivrenSimStandInEncoder, EachMainFrameIsTheSceneOfItsFrameDataEntry) {
    ASSERT_EQ(run->exitCode, 0) << run->output;
    FrameData data;
    FrameDataError error;
    ASSERT_TRUE(readFrameDataFile(out() / "clip.txt", data, error)) << error.message;
    expectMainFramesShowTheirEntries(data, rgbaFrames(".mov"), width, height, cars, 35.0);
}

TEST_F(KivrenSimStandInEncoder, CustomFramesShowListedMeshesInTheirFlatColours) {
    ASSERT_EQ(run->exitCode, 0) << run->output;
    const std::string custom = rgbaFrames(" - custom pass.mov");
    ASSERT_GE(custom.size(), std::size_t{width} * height * 4);
    // Raw frames: the flat colours are exact, the game's within rounding.
    const CustomTally tally = tallyCustomFrames(custom, width, height, cars, gameFps, listed, 0, 2);
    std::size_t flatChecked = 0;
    for (std::size_t i = 0; i < tally.seen.size(); ++i) {
        EXPECT_EQ(tally.close[i], tally.seen[i]) << sceneMeshes(cars)[i].name;
        flatChecked += tally.seen[i];
    }
    EXPECT_GT(flatChecked, 20u) << "the listed meshes were hardly in view";
    ASSERT_GT(tally.unlisted, 0u);
    EXPECT_GT(static_cast<double>(tally.unlistedClose) / static_cast<double>(tally.unlisted), 0.99)
        << "unlisted meshes keep the game's colours";
}

// Runs kivren-sim with the stand-in encoder and the arguments given.
ProgramRun simWith(const ScratchFolder& scratch, std::vector<std::string> args) {
    const std::vector<std::string> common{"--frames",
                                          "4",
                                          "--size",
                                          "32x16",
                                          "--pace",
                                          "fast",
                                          "--fps",
                                          "250",
                                          "--quiet",
                                          "--out",
                                          (scratch.path() / "out").string()};
    args.insert(args.begin(), common.begin(), common.end());
    return runProgram(simProgram(), args);
}

TEST(KivrenSimBadInput, EndsWithOneClearLineAndTheDocumentedStatus) {
    ScratchFolder scratch;
    const std::string fake = fakeEncoder().string();

    ProgramRun run = simWith(scratch, {"--bogus"});
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_EQ(linesStartingWith(run.output, "kivren-sim: "),
              std::vector<std::string>{"kivren-sim: unknown option --bogus"});
    EXPECT_EQ(linesStartingWith(run.output, "usage: kivren-sim").size(), 1u);

    for (const char* size : {"64", "63x36", "64x0", "x36"}) {
        run = simWith(scratch, {"--size", size});
        EXPECT_EQ(run.exitCode, 2) << size << "\n" << run.output;
        EXPECT_EQ(linesStartingWith(run.output, "kivren-sim: bad value for --size").size(), 1u);
    }
    run = simWith(scratch, {"--id-pass", "ball,no_such_mesh"});
    EXPECT_EQ(run.exitCode, 2) << run.output;

    run = simWith(scratch, {"--ffmpeg", (scratch.path() / "no-ffmpeg-here").string()});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    auto said = linesStartingWith(run.output, "kivren-sim: ");
    ASSERT_EQ(said.size(), 1u) << run.output;
    EXPECT_NE(said[0].find("FFmpeg not found"), std::string::npos) << said[0];

    // A folder that cannot be made: its parent is a file.
    std::ofstream(scratch.path() / "a-file") << "x";
    run = runProgram(simProgram(), {"--frames", "2", "--quiet", "--ffmpeg", fake, "--out",
                                    (scratch.path() / "a-file" / "out").string()});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    said = linesStartingWith(run.output, "kivren-sim: ");
    ASSERT_EQ(said.size(), 1u) << run.output;
    EXPECT_NE(said[0].find("output folder"), std::string::npos) << said[0];

    // The plugin refuses the name and says so in ReShade's log; nothing is recorded.
    run = simWith(scratch, {"--ffmpeg", fake, "--name", "a \"quoted\" name"});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    const auto reshade = linesStartingWith(run.output, "ReShade: [Kivren] kivren_name");
    EXPECT_EQ(reshade.size(), 1u) << run.output;
    EXPECT_EQ(linesStartingWith(run.output, "kivren-sim: ").size(), 1u) << run.output;
    EXPECT_TRUE(std::filesystem::is_empty(scratch.path() / "out"));
}

TEST(KivrenSimHonesty, TheSummaryCountsOnlyTheFilesThisRunWrote) {
    ScratchFolder scratch;
    const std::string fake = fakeEncoder().string();
    ProgramRun run = simWith(scratch, {"--ffmpeg", fake, "--name", "clip"});
    ASSERT_EQ(run.exitCode, 0) << run.output;

    // The second run (the take "clip (2)", beside the first) has a depth
    // encoder that dies before it writes anything: the first take's depth
    // file, still there, is not counted for it.
    std::ofstream(scratch.path() / "out" / "clip (2) - depth.mov.fake") << "kill_after=1";
    run = simWith(scratch, {"--ffmpeg", fake, "--name", "clip"});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(linesStartingWith(run.output, "All files line up").empty()) << run.output;
    const auto verdict = linesStartingWith(run.output, "The files do not line up: ");
    ASSERT_EQ(verdict.size(), 1u) << run.output;
    EXPECT_NE(verdict[0].find("clip (2) - depth.mov"), std::string::npos) << verdict[0];
}

TEST(KivrenSimHonesty, AnEarlierFrameDataFileBesideVideosWithoutOneIsNamed) {
    ScratchFolder scratch;
    std::filesystem::create_directories(scratch.path() / "out");
    std::ofstream(scratch.path() / "out" / "clip.txt") << "|||";
    const ProgramRun run =
        simWith(scratch, {"--ffmpeg", fakeEncoder().string(), "--name", "clip", "--no-frame-data"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(linesStartingWith(run.output, "kivren-sim: warning: "),
              std::vector<std::string>{
                  "kivren-sim: warning: clip.txt is an earlier recording's: this run recorded no "
                  "frame data (--no-frame-data), so its entries do not belong to these videos"})
        << run.output;
    EXPECT_EQ(readFile(scratch.path() / "out" / "clip.txt"), "|||");
}

TEST(KivrenSimHonesty, ANameWithAFolderIsRefused) {
    ScratchFolder scratch;
    for (const char* name : {"../escaped", "sub/clip", "sub\\clip", "..", "/abs"}) {
        const ProgramRun run =
            simWith(scratch, {"--ffmpeg", fakeEncoder().string(), "--name", name});
        EXPECT_EQ(run.exitCode, 2) << name << "\n" << run.output;
        EXPECT_EQ(linesStartingWith(run.output, "kivren-sim: "),
                  std::vector<std::string>{"kivren-sim: bad value for --name: '" +
                                           std::string(name) +
                                           "' (a file name, without a folder)"});
    }
    EXPECT_FALSE(std::filesystem::exists(scratch.path() / "out"));
    EXPECT_FALSE(std::filesystem::exists(scratch.path() / "escaped.mov"));
}

TEST(KivrenSimHonesty, ConsoleLinesOfTheScriptAreShownAsTheyHappen) {
    ScratchFolder scratch;
    const auto script = scratch.path() / "setup.cfg";
    std::ofstream(script) << "kivren_no_such_command\nkivren_custom_pass_add zz\nkivren_fps\n";
    const ProgramRun run =
        simWith(scratch, {"--ffmpeg", fakeEncoder().string(), "--script", script.string()});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    const auto console = linesStartingWith(run.output, "console: ");
    ASSERT_EQ(console.size(), 3u) << run.output;
    EXPECT_EQ(console[0], "console: Unknown command: kivren_no_such_command");
    EXPECT_NE(console[1].find("kivren_custom_pass_add"), std::string::npos) << console[1];
    EXPECT_EQ(console[2], "console: kivren_fps = 250");
    // Before the run's own lines, not after them.
    EXPECT_LT(run.output.find("console: "), run.output.find("All files line up"));
}

// The plugin never replaces an earlier take: run again into the same folder,
// kivren-sim reports the numbered take the plugin chose, and it lines up.
TEST(KivrenSimTakes, ASecondRunKeepsTheFirstTake) {
    ScratchFolder scratch;
    const std::string fake = fakeEncoder().string();
    const ProgramRun first = simWith(scratch, {"--ffmpeg", fake, "--name", "take"});
    const ProgramRun second = simWith(scratch, {"--ffmpeg", fake, "--name", "take"});
    EXPECT_EQ(first.exitCode, 0) << first.output;
    EXPECT_EQ(second.exitCode, 0) << second.output;
    EXPECT_NE(first.output.find("take \"take\" in"), std::string::npos) << first.output;
    EXPECT_NE(second.output.find("take \"take (2)\" in"), std::string::npos) << second.output;
    const std::filesystem::path out = scratch.path() / "out";
    for (const char* suffix : {".mov", " - depth.mov", ".txt"}) {
        EXPECT_EQ(readFile(out / (std::string("take") + suffix)),
                  readFile(out / (std::string("take (2)") + suffix)))
            << "the same replay, recorded twice: " << suffix;
        EXPECT_FALSE(readFile(out / (std::string("take") + suffix)).empty()) << suffix;
    }
}

} // namespace
