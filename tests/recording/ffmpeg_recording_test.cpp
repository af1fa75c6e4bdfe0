// Recordings encoded by the real FFmpeg (native only): the files are ProRes
// HQ in 10-bit 4:2:2 at the size and rate given, hold the frames that were
// rendered, in order, the right way up and in the right colours; a killed or
// stalled FFmpeg loses its own pass only, and a full disk is reported with
// FFmpeg's own words.
#include "recording_fixture.h"
#include "replay_system.h"

#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

namespace {

// The standard output of a command line, empty when it failed.
std::string capture(const std::string& command) {
    return commandOutput(command).value_or("");
}

std::string quoted(const std::string& path) {
    return shellQuoted(path);
}

std::map<std::string, std::string> probe(const std::string& path) {
    std::map<std::string, std::string> fields;
    std::istringstream lines(
        capture("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                "stream=codec_name,profile,pix_fmt,width,height,r_frame_rate,nb_read_frames "
                "-of default=nw=1 " +
                quoted(path)));
    for (std::string line; std::getline(lines, line);) {
        const auto equals = line.find('=');
        if (equals != std::string::npos)
            fields[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return fields;
}

double psnr(const std::string& decoded, const SimPicture& picture) {
    double squares = 0;
    for (std::size_t p = 0; p < picture.rgba.size() / 4; ++p) {
        for (std::size_t c = 0; c < 3; ++c) {
            const double d = static_cast<unsigned char>(decoded[p * 3 + c]) -
                             static_cast<double>(picture.rgba[p * 4 + c]);
            squares += d * d;
        }
    }
    const double mse = squares / static_cast<double>(picture.rgba.size() / 4 * 3);
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

class FfmpegRecording : public RecordingFixture {
protected:
    FfmpegRecording() {
        width = 96;
        height = 64;
    }
    void SetUp() override {
        RecordingFixture::SetUp();
        set("kivren_ffmpeg_path", "ffmpeg");
        set("kivren_fps", "25");
    }
};

TEST_F(FfmpegRecording, ProResFilesHoldTheRenderedFrames) {
    set("kivren_normal", "1");
    set("kivren_custom_pass", "1");
    constexpr std::uint32_t presented = 8;
    record(presented);
    EXPECT_TRUE(logAt('1').empty()) << testing::PrintToString(logAt('1'));

    const std::string suffixes[] = {".mov", " - depth.mov", " - normal.mov", " - custom pass.mov"};
    for (std::uint32_t pass = 0; pass < 4; ++pass) {
        const std::string path = file(suffixes[pass]);
        auto fields = probe(path);
        EXPECT_EQ(fields["codec_name"], "prores") << path;
        EXPECT_EQ(fields["profile"], "HQ") << path;
        EXPECT_EQ(fields["pix_fmt"], "yuv422p10le") << path;
        EXPECT_EQ(fields["width"], std::to_string(width));
        EXPECT_EQ(fields["height"], std::to_string(height));
        EXPECT_EQ(fields["r_frame_rate"], "25/1");
        EXPECT_EQ(fields["nb_read_frames"], std::to_string(presented / 2)) << path;

        // Main, Depth and Normal on the even frames, Custom on the odd ones.
        const std::string decoded =
            capture("ffmpeg -v error -i " + quoted(path) + " -f rawvideo -pix_fmt rgb24 -");
        const std::size_t size = std::size_t{width} * height * 3;
        ASSERT_EQ(decoded.size(), presented / 2 * size) << path;
        for (std::uint32_t k = 0; k < presented / 2; ++k) {
            const std::uint32_t frame = 2 * k + (pass == 3 ? 1 : 0);
            const SimPicture picture = simTestPicture(width, height, frame, pass);
            EXPECT_GT(psnr(decoded.substr(k * size, size), picture), 40.0)
                << path << " frame " << k;
        }
    }
    const std::string data = readFile(file(".txt"));
    EXPECT_EQ(std::count(data.begin(), data.end(), '|'), presented / 2);
}

// With kivren_custom_pass_444 only the Custom file is ProRes 4444 in 4:4:4,
// and its colours come back closer to what was drawn than in 4:2:2.
TEST_F(FfmpegRecording, CleanIdPassIsProRes4444AndCloser) {
    set("kivren_custom_pass", "1");
    constexpr std::uint32_t presented = 4;
    auto customPsnr = [&](const std::string& path) {
        const std::string decoded =
            capture("ffmpeg -v error -i " + quoted(path) + " -f rawvideo -pix_fmt rgb24 -");
        const std::size_t size = std::size_t{width} * height * 3;
        double total = 0;
        for (std::uint32_t k = 0; k < presented / 2; ++k)
            total +=
                psnr(decoded.substr(k * size, size), simTestPicture(width, height, 2 * k + 1, 3));
        return total / (presented / 2);
    };

    record(presented);
    const std::string subsampled = file(" - custom pass.mov");

    set("kivren_custom_pass_444", "1");
    set("kivren_name", "444");
    record(presented);
    auto custom = probe(file(" - custom pass.mov", "444"));
    // FFmpeg's decoder reports ProRes 4444 at its full 12 bits; what matters is 4:4:4.
    EXPECT_EQ(custom["pix_fmt"].rfind("yuv444p", 0), 0u) << custom["pix_fmt"];
    EXPECT_EQ(custom["profile"], "4444");
    EXPECT_EQ(custom["nb_read_frames"], std::to_string(presented / 2));
    auto main = probe(file(".mov", "444"));
    EXPECT_EQ(main["pix_fmt"], "yuv422p10le") << "only the ID pass changes";
    EXPECT_EQ(main["profile"], "HQ");

    const double full = customPsnr(file(" - custom pass.mov", "444"));
    const double half = customPsnr(subsampled);
    std::printf("Custom pass PSNR: 4:4:4 %.2f dB, 4:2:2 %.2f dB\n", full, half);
    EXPECT_GT(full, half);
}

// The pid of our FFmpeg child whose command line names the file.
pid_t childEncoding(const std::string& name) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const auto close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(line.substr(close + 2));
        char state;
        pid_t parent = 0;
        rest >> state >> parent;
        std::ifstream cmdline(entry.path() / "cmdline", std::ios::binary);
        const std::string args{std::istreambuf_iterator<char>(cmdline), {}};
        if (parent == getpid() && args.find(name) != std::string::npos)
            return static_cast<pid_t>(std::stoi(pid));
    }
    return 0;
}

TEST_F(FfmpegRecording, KilledFfmpegLosesOnlyItsOwnPass) {
    run("kivren_start");
    presentPaced(0, 3);
    const pid_t depth = childEncoding("video - depth.mov");
    ASSERT_NE(depth, 0);
    ASSERT_EQ(kill(depth, SIGKILL), 0);
    presentPaced(3, 5);
    run("kivren_stop");
    driver->present(8);

    EXPECT_EQ(probe(file(".mov"))["nb_read_frames"], "8");
    const auto failures = logAt('1');
    ASSERT_EQ(failures.size(), 1u) << testing::PrintToString(failures);
    EXPECT_TRUE(std::regex_match(
        failures[0], std::regex(R"(\[Kivren\] Depth pass incomplete: [0-7] of 8 frames )"
                                R"(written, (a write failed with error \d+: [^,.]+, )?)"
                                R"(encoder killed by signal )"
                                R"(9\.)")))
        << failures[0];
}

// FFmpeg alive but no longer reading (stopped by a signal): its pass is
// dropped after the stall limit and every other file is whole and decodes.
TEST_F(FfmpegRecording, StalledFfmpegLosesOnlyItsOwnPass) {
    width = 512;
    height = 512;
    makeRuntime(reshade::api::format::b8g8r8a8_unorm);
    set("kivren_normal", "1");
    run("kivren_start");
    presentPaced(0, 3);
    const pid_t depth = childEncoding("video - depth.mov");
    ASSERT_NE(depth, 0);
    ASSERT_EQ(kill(depth, SIGSTOP), 0);
    presentPaced(3, 12);
    run("kivren_stop");
    driver->present(15);

    for (const char* suffix : {".mov", " - normal.mov"})
        EXPECT_EQ(probe(file(suffix))["nb_read_frames"], "15") << suffix;
    const std::string data = readFile(file(".txt"));
    EXPECT_EQ(std::count(data.begin(), data.end(), '|'), 15);
    const auto failures = logAt('1');
    ASSERT_EQ(failures.size(), 1u) << testing::PrintToString(failures);
    EXPECT_EQ(
        failures[0].rfind("[Kivren] Depth pass stalled: its encoder has taken no data since ", 0),
        0u)
        << failures[0];
}

// Run by ctest in a mount namespace of its own (unshare), where a small
// tmpfs stands for a disk that fills up during the recording.
TEST_F(FfmpegRecording, DiskFullIsReportedInFfmpegsOwnWords) {
    ASSERT_EQ(mount("tmpfs", out().c_str(), "tmpfs", 0, "size=64k"), 0)
        << "cannot mount a small tmpfs (" << std::strerror(errno)
        << "): this test runs as ctest's recording_disk_full_test, in a mount namespace";
    // A disk that is nearly full when the recording starts.
    std::ofstream(out() / "other files") << std::string(60 * 1024, 'x');
    set("kivren_depth", "0");
    record(40);
    const auto failures = logAt('1');
    const auto main = std::find_if(failures.begin(), failures.end(), [](const std::string& line) {
        return line.rfind("[Kivren] Main pass incomplete: ", 0) == 0;
    });
    ASSERT_NE(main, failures.end()) << testing::PrintToString(failures);
    EXPECT_TRUE(std::regex_match(*main, std::regex(R"(.*encoder exit status \d+\. FFmpeg: .*)"
                                                   R"(No space left on device)")))
        << *main;
    umount2(out().c_str(), MNT_DETACH);
}

} // namespace
