// kivren-sim with Debian's FFmpeg (native only), checked as a compositor
// would check the videos: ffprobe counts that line up, Main frames that are
// the scene of their frame data entries, a depth video that decodes back to
// view distances within the documented precision, and a Custom video whose
// listed meshes hold their flat colours within what 10-bit 4:2:2 changes.
#include "frame_data_reader.h"
#include "plugin_library.h"
#include "replay_check.h"
#include "replay_system.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>

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

    static inline ScratchFolder* scratch = nullptr;
    static inline ProgramRun* run = nullptr;
    static inline FrameData data;
    static inline bool entriesRead = false;
};

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

// Every frame of a video in the codec's own pixels (10-bit 4:2:2), so that
// two decodings compare bit for bit.
std::string decodedExactly(const std::filesystem::path& path, std::size_t frames) {
    return capture("ffmpeg -v error -i " + quoted(path) + " -frames:v " + std::to_string(frames) +
                   " -f rawvideo -pix_fmt yuv422p10le -");
}

long long numberBefore(const std::string& text, const std::string& after) {
    const auto at = text.find(after);
    if (at == std::string::npos)
        return -1;
    auto start = at;
    while (start > 0 && std::isdigit(static_cast<unsigned char>(text[start - 1])))
        --start;
    return start == at ? -1 : std::stoll(text.substr(start, at - start));
}

TEST(KivrenSimCutOff, ARepairedPassDecodesToTheFramesFfmpegHadWritten) {
    ScratchFolder scratch;
    const std::filesystem::path cut = scratch.path() / "cut";
    const std::filesystem::path whole = scratch.path() / "whole";
    std::filesystem::create_directories(cut);
    // Frames large enough that FFmpeg starts writing within the first few
    // (it reads some before it starts, and writes in blocks of 256 KB).
    const std::vector<std::string> common{"--name", "shot",       "--size", "480x270", "--frames",
                                          "60",     "--game-fps", "60",     "--fps",   "100",
                                          "--pace", "fast",       "--cars", "2",       "--quiet"};
    auto with = [&](std::vector<std::string> args) {
        args.insert(args.begin(), common.begin(), common.end());
        return args;
    };

    // FFmpeg of the Main pass is killed once 5 frames are on disk, as a crash kills it.
    std::ofstream(cut / "shot.mov.cutoff") << 5;
    const ProgramRun crashed =
        runProgram(simProgram(), with({"--out", cut.string(), "--ffmpeg",
                                       (executableFolder() / KIVREN_CUTOFF_ENCODER).string()}));
    EXPECT_EQ(crashed.exitCode, 1) << crashed.output;
    const auto told = linesStartingWith(crashed.output, "  shot.mov ");
    ASSERT_EQ(told.size(), 1u) << crashed.output;
    EXPECT_NE(told[0].find("without its index; kivren-repair makes it playable"), std::string::npos)
        << told[0];
    // The crash also cut the frame data inside its last entry.
    std::string frameData = readFile(cut / "shot.txt");
    ASSERT_GT(frameData.size(), 40u);
    frameData.resize(frameData.size() - 40);
    std::ofstream(cut / "shot.txt", std::ios::binary | std::ios::trunc) << frameData;
    FrameData data;
    FrameDataError error;
    ASSERT_TRUE(readFrameDataFile(cut / "shot.txt", data, error)) << error.message;
    ASSERT_TRUE(data.cutOff.has_value());
    EXPECT_EQ(data.cutOff->entry, data.entries.size() + 1);

    const ProgramRun repaired =
        runProgram(executableFolder() / KIVREN_REPAIR_PROGRAM, {(cut / "shot.mov").string()});
    ASSERT_EQ(repaired.exitCode, 0) << repaired.output;
    const long long frames = numberBefore(repaired.output, " whole frames, 480x270 ProRes 422 HQ");
    EXPECT_GE(frames, 5) << repaired.output;
    EXPECT_LT(frames, 30) << repaired.output;
    EXPECT_NE(repaired.output.find("100 fps (from shot - depth.mov, a whole pass of the take)"),
              std::string::npos)
        << repaired.output;
    EXPECT_NE(repaired.output.find("shot.txt"), std::string::npos) << repaired.output;
    EXPECT_NE(repaired.output.find("(its last entry is cut off and left out)"), std::string::npos)
        << repaired.output;
    EXPECT_NE(repaired.output.find("keep the first " + std::to_string(frames) + " frames"),
              std::string::npos)
        << repaired.output;

    const std::filesystem::path fixed = cut / "shot (repaired).mov";
    EXPECT_EQ(capture("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                      "stream=codec_name,profile,width,height,r_frame_rate,nb_read_frames -of "
                      "csv=p=0 " +
                      quoted(fixed)),
              "prores,HQ,480,270,100/1," + std::to_string(frames) + "\n");

    // The same recording again, whole: the repaired frames are its first ones.
    const ProgramRun again = runProgram(simProgram(), with({"--out", whole.string()}));
    ASSERT_EQ(again.exitCode, 0) << again.output;
    const std::size_t frameBytes = 480 * 270 * 2 * 2;
    const std::string repairedPixels = decodedExactly(fixed, 1000);
    const std::string wholePixels =
        decodedExactly(whole / "shot.mov", static_cast<std::size_t>(frames));
    ASSERT_EQ(repairedPixels.size(), static_cast<std::size_t>(frames) * frameBytes);
    EXPECT_TRUE(repairedPixels == wholePixels) << "decoded pixels differ";
}

TEST(KivrenSimPaths, AnOutputFolderStartingWithADashAndFfprobeFromThePath) {
    // FFmpeg in a folder without ffprobe; the output folder's name would be
    // an option to ffprobe.
    ScratchFolder scratch;
    const auto ffmpeg = findProgram("ffmpeg");
    ASSERT_TRUE(ffmpeg.has_value());
    std::filesystem::create_directories(scratch.path() / "bin");
    std::filesystem::create_symlink(*ffmpeg, scratch.path() / "bin" / "ffmpeg");
    const ProgramRun run =
        runProgram(simProgram(),
                   {"--out", "-dash", "--name", "clip", "--size", "64x36", "--frames", "4",
                    "--pace", "fast", "--fps", "250", "--passes", "depth", "--quiet", "--ffmpeg",
                    (scratch.path() / "bin" / "ffmpeg").string()},
                   scratch.path());
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(
        linesStartingWith(run.output, "All files line up: Main 4, Depth 4, frame data 4.").size(),
        1u)
        << run.output;
    EXPECT_TRUE(std::filesystem::exists(scratch.path() / "-dash" / "clip - depth.mov"));
}

} // namespace
