// The encoders against our stand-in FFmpeg, through the system's real pipes
// and processes (Windows ones under Wine): the child gets exactly the command
// line, every byte in order, and every way a child can fail is reported once
// for its pass while the other passes go on.
#include "formats/encoder_command_line.h"
#include "recording/encoder_set.h"

#include "plugin_library.h"
#include "reshade_module.h"
#include "scratch_folder.h"
#include "system/system_error_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

namespace {

class EncoderPipeline : public testing::Test {
protected:
    void SetUp() override { StandInReShade::instance().reset(); }
    void TearDown() override { encoders->close(); }

    // A recording of width x height frames begins.
    void begin(std::uint32_t frameWidth, std::uint32_t frameHeight) {
        width = frameWidth;
        height = frameHeight;
        encoders->begin(width, height, steadyNanoseconds());
    }
    bool launch(const std::string& ffmpeg, const std::string& path, const char* pixelFormat,
                PassKind pass) {
        return encoders->launch(ffmpeg, path, {pixelFormat, 30, false}, pass);
    }

    const std::string fakeEncoder = (executableFolder() / KIVREN_FAKE_ENCODER).string();

    std::string output(const std::string& name) const { return (scratch.path() / name).string(); }

    // A mapped picture whose rows are padded, as a driver maps them; row r
    // is filled with bytes derived from (frame, r, column).
    std::vector<std::uint8_t> mapped(std::uint32_t pitch, std::uint8_t frame) const {
        std::vector<std::uint8_t> bytes(std::size_t{pitch} * height, 0xEE);
        for (std::uint32_t r = 0; r < height; ++r)
            for (std::uint32_t c = 0; c < width * 4; ++c)
                bytes[r * pitch + c] = static_cast<std::uint8_t>(frame * 31 + r * 7 + c);
        return bytes;
    }

    void feed(PassKind pass, int frames) {
        const std::uint32_t pitch = width * 4 + 64;
        for (int f = 0; f < frames; ++f) {
            const auto bytes = mapped(pitch, static_cast<std::uint8_t>(f));
            encoders->countDue(pass);
            encoders->enqueueFrame(bytes.data(), pitch, height, width * 4, pass,
                                   RowOrder::AsMapped);
        }
    }

    static std::vector<std::string> failures() { return StandInReShade::instance().logLinesAt(1); }

    ScratchFolder scratch;
    std::unique_ptr<EncoderSet> encoders = std::make_unique<EncoderSet>();
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

TEST_F(EncoderPipeline, ChildReceivesTheCommandLineAndEveryByteInOrder) {
    // A set that never launched holds no handle that closing could close by
    // mistake (a zero handle is the process's standard input).
    for (int pass = 0; pass < passCount; ++pass)
        EXPECT_FALSE(encoders->hasEncoder(static_cast<PassKind>(pass)));
    begin(5, 3);
    std::filesystem::create_directory(scratch.path() / "out dir");
    const std::string path = output("out dir/my video - depth.mov");
    ASSERT_TRUE(launch(fakeEncoder, path, "rgba", PassKind::Depth));
    ASSERT_TRUE(encoders->startWriter());

    // Rows reversed in one frame, as mapped in the next; padding is dropped.
    const std::uint32_t pitch = 5 * 4 + 12;
    std::string expected;
    for (int f = 0; f < 2; ++f) {
        const auto bytes = mapped(pitch, static_cast<std::uint8_t>(f));
        const RowOrder order = f == 0 ? RowOrder::Reversed : RowOrder::AsMapped;
        encoders->enqueueFrame(bytes.data(), pitch, 3, 20, PassKind::Depth, order);
        for (int i = 0; i < 3; ++i) {
            const int row = order == RowOrder::Reversed ? 2 - i : i;
            expected.append(reinterpret_cast<const char*>(bytes.data()) + row * pitch, 20);
        }
    }
    encoders->close();

    EXPECT_EQ(readFile(path), expected);
    std::string words;
    for (const std::string& word :
         splitCommandLine(encoderCommandLine(fakeEncoder, "rgba", 5, 3, 30, path)))
        words += word + "\n";
    EXPECT_EQ(readFile(path + ".args"), words);
    EXPECT_FALSE(encoders->hasEncoder(PassKind::Depth));
    const auto log = StandInReShade::instance().logLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "3 [Kivren] Encoder started -> " + path),
              log.end());
    EXPECT_TRUE(failures().empty());
}

TEST_F(EncoderPipeline, EachFailingChildIsReportedOnceAndTheOthersGoOn) {
    // A frame far larger than any pipe buffer, so that a child that stops
    // reading is noticed by the writer.
    begin(512, 512);
    const char* behaviours[] = {
        "", "status=3\nstderr=[mov @ 0x5] Error writing trailer: No space left on device",
        "stop_after=1048576", "kill_after=1"};
    const char* names[] = {"main.mov", "depth.mov", "normal.mov", "custom.mov"};
    for (int i = 0; i < passCount; ++i) {
        if (*behaviours[i])
            std::ofstream(output(names[i]) + ".fake") << behaviours[i];
        ASSERT_TRUE(launch(fakeEncoder, output(names[i]), "bgra", static_cast<PassKind>(i)));
    }
    ASSERT_TRUE(encoders->startWriter());
    for (int i = 0; i < passCount; ++i)
        feed(static_cast<PassKind>(i), 5);
    encoders->close();

    EXPECT_EQ(readFile(output("main.mov")).size(), 5u * 512 * 512 * 4);
    EXPECT_EQ(readFile(output("depth.mov")).size(), 5u * 512 * 512 * 4);
    const auto lines = failures();
    ASSERT_EQ(lines.size(), 3u) << testing::PrintToString(lines);
    // FFmpeg's own reason ends the line.
    EXPECT_EQ(lines[0], "[Kivren] Depth pass incomplete: 5 of 5 frames written, encoder exit "
                        "status 3. FFmpeg: [mov @ 0x5] Error writing trailer: No space left on "
                        "device");
    EXPECT_TRUE(
        std::regex_match(lines[1], std::regex(R"(\[Kivren\] Normal pass incomplete: [1-4] )"
                                              R"(of 5 frames written, a write failed with error )"
                                              R"([1-9]\d*: [^,.]+, )"
                                              R"(encoder exit status 0\.)")))
        << lines[1];
    EXPECT_TRUE(
        std::regex_match(lines[2], std::regex(R"(\[Kivren\] Custom pass incomplete: [01] of 5 )"
                                              R"(frames written, a write failed with error )"
                                              R"([1-9]\d*: [^,.]+, )"
                                              R"(encoder (killed by signal|exit status) 9\.)"
                                              R"(( It left no file\.)?)")))
        << lines[2];
}

TEST_F(EncoderPipeline, MissingExecutableIsReportedWithTheSystemsCode) {
    begin(4, 4);
    // Both systems number "file not found" 2 (ERROR_FILE_NOT_FOUND, ENOENT).
    for (const std::string& ffmpeg :
         {output("no-such-ffmpeg.exe"), std::string("kivren-no-such-program")}) {
        EXPECT_FALSE(launch(ffmpeg, output("video.mov"), "bgra", PassKind::Main));
        EXPECT_FALSE(encoders->hasEncoder(PassKind::Main));
    }
    const std::string expected = "[Kivren] FFmpeg launch failed (2). Check ffmpeg.exe is on PATH "
                                 "or set kivren_ffmpeg_path. (" +
                                 systemErrorText(2) + ")";
    EXPECT_EQ(failures(), (std::vector<std::string>{expected, expected}));
}

} // namespace
