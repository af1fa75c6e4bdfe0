// kivren-sim with Debian's FFmpeg (native only), checked as a compositor
// would check the videos: ffprobe counts that line up, Main frames that are
// the scene of their frame data entries, a depth video that decodes back to
// view distances within the documented precision, and a Custom video whose
// listed meshes hold their flat colours within what 10-bit 4:2:2 changes.
#include "frame_data_reader.h"
#include "replay_check.h"
#include "replay_system.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace {

constexpr std::uint32_t width = 192;
constexpr std::uint32_t height = 108;
constexpr std::uint32_t gameFrames = 24;
constexpr int gameFps = 60;
constexpr int cars = 2;
// The ball and the cars, and the goals for a large flat area.
const std::vector<std::string> listed{"ball", "body_octane", "body_dominus", "pitch_goals"};

// The standard output of a command line, empty when it failed.
std::string capture(const std::string& command) {
    return commandOutput(command).value_or("");
}

std::string quoted(const std::filesystem::path& path) {
    return shellQuoted(path.string());
}

long long probedFrames(const std::filesystem::path& path) {
    const std::string text = capture("ffprobe -v error -select_streams v:0 -count_frames "
                                     "-show_entries stream=nb_read_frames -of csv=p=0 " +
                                     quoted(path));
    return text.empty() ? -1 : std::stoll(text);
}

// Every frame of a video as upright 8-bit RGBA.
std::string decoded(const std::filesystem::path& path) {
    return capture("ffmpeg -v error -i " + quoted(path) + " -f rawvideo -pix_fmt rgba -");
}

class KivrenSimFfmpeg : public testing::Test {
protected:
    static void SetUpTestSuite() {
        scratch = new ScratchFolder;
        run = new ProgramRun(
            runProgram(simProgram(),
                       {"--out", out().string(), "--name", "shot", "--size", "192x108", "--frames",
                        std::to_string(gameFrames), "--game-fps", std::to_string(gameFps), "--fps",
                        "100", "--pace", "fast", "--cars", std::to_string(cars), "--id-pass",
                        "ball,body_octane,body_dominus,pitch_goals", "--quiet"}));
        FrameDataError error;
        entriesRead = readFrameDataFile(out() / "shot.txt", data, error);
    }
    static void TearDownTestSuite() {
        delete run;
        delete scratch;
    }
    void SetUp() override {
        ASSERT_EQ(run->exitCode, 0) << run->output;
        ASSERT_TRUE(entriesRead);
        ASSERT_FALSE(data.entries.empty());
    }
    static std::filesystem::path out() { return scratch->path() / "out"; }
    static std::filesystem::path video(const std::string& suffix) {
        return out() / ("shot" + suffix);
    }

    static ScratchFolder* scratch;
    static ProgramRun* run;
    static FrameData data;
    static bool entriesRead;
};
ScratchFolder* KivrenSimFfmpeg::scratch = nullptr;
ProgramRun* KivrenSimFfmpeg::run = nullptr;
FrameData KivrenSimFfmpeg::data;
bool KivrenSimFfmpeg::entriesRead = false;

TEST_F(KivrenSimFfmpeg, FfprobeCountsLineUpWithTheFrameData) {
    const auto entries = static_cast<long long>(data.entries.size());
    EXPECT_EQ(entries, (gameFrames + 1) / 2) << "every game frame processed, turns alternating";
    for (const char* suffix : {".mov", " - depth.mov", " - normal.mov"}) {
        EXPECT_EQ(probedFrames(video(suffix)), entries) << suffix;
        EXPECT_EQ(summaryCount(run->output, "shot" + std::string(suffix)), entries) << suffix;
    }
    const long long custom = probedFrames(video(" - custom pass.mov"));
    EXPECT_TRUE(custom == entries || custom == entries - 1) << custom;
    EXPECT_EQ(linesStartingWith(run->output, "All files line up").size(), 1u) << run->output;
}

TEST_F(KivrenSimFfmpeg, MainFramesAreTheScenesOfTheirEntries) {
    const std::string main = decoded(video(".mov"));
    ASSERT_EQ(main.size(), data.entries.size() * width * height * 4);
    expectMainFramesShowTheirEntries(data, main, width, height, cars, 30.0);
}

TEST_F(KivrenSimFfmpeg, DepthDecodesBackToViewDistance) {
    const std::string depth = decoded(video(" - depth.mov"));
    ASSERT_EQ(depth.size(), data.entries.size() * width * height * 4);
    // One 8-bit step, plus what the codec moves a grey by: FFmpeg's RGB to
    // 10-bit limited-range YUV and back loses up to two levels.
    const double near = sceneDepthNear;
    const double far = sceneDepthFar;
    const double step = (far - near) / 255.0;
    const double tolerance = 3.0 * step;
    SceneRenderer renderer(width, height);
    std::size_t compared = 0, within = 0;
    double errorSum = 0;
    for (std::size_t k = 0; k < data.entries.size(); ++k) {
        renderer.render(stateFromEntry(data, data.entries[k]), looksFor(cars, {}));
        const SimPicture frame = videoFrame(depth, k, width, height);
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = 0; x < width; ++x) {
                if (!interiorPixel(renderer, x, y))
                    continue;
                const double grey = frame.rgba[(std::size_t{y} * width + x) * 4 + 1] / 255.0;
                const double distance = far - grey * (far - near);
                const double truth = std::min<double>(renderer.viewDepth(x, y), far);
                const double error = std::abs(distance - truth);
                ++compared;
                within += error <= tolerance;
                errorSum += error;
            }
        }
    }
    ASSERT_GT(compared, std::size_t{width} * height);
    EXPECT_GT(static_cast<double>(within) / static_cast<double>(compared), 0.99);
    EXPECT_LT(errorSum / static_cast<double>(compared), 2.0 * step);
}

TEST_F(KivrenSimFfmpeg, CustomVideoHoldsTheFlatColoursOfTheListedMeshes) {
    const std::string custom = decoded(video(" - custom pass.mov"));
    ASSERT_GE(custom.size(), std::size_t{width} * height * 4);
    // What 10-bit 4:2:2 moves a colour by: a few levels in flat areas.
    const CustomTally tally =
        tallyCustomFrames(custom, width, height, cars, gameFps, listed, 6, 10);
    std::size_t flatChecked = 0;
    for (std::size_t i = 0; i < tally.seen.size(); ++i) {
        if (tally.seen[i] == 0)
            continue;
        flatChecked += tally.seen[i];
        EXPECT_GT(static_cast<double>(tally.close[i]) / static_cast<double>(tally.seen[i]), 0.98)
            << sceneMeshes(cars)[i].name;
    }
    EXPECT_GT(flatChecked, 100u) << "the listed meshes were hardly in view";
    ASSERT_GT(tally.unlisted, 0u);
    EXPECT_GT(static_cast<double>(tally.unlistedClose) / static_cast<double>(tally.unlisted), 0.95);
}

} // namespace
