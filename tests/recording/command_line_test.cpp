// The encoder command line: its exact text, how a child splits it (the POSIX
// launcher and our stand-in encoder rely on the same rules as Windows), the
// settings refused because they could break out of their quotes, and the
// session's path, take name and rate rules.
#include "formats/encoder_command_line.h"
#include "recording/session_rules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

using Words = std::vector<std::string>;

TEST(CommandLine, TemplateAndItsWords) {
    const std::string line =
        encoderCommandLine("ffmpeg", "bgra", 1920, 1080, 30, "C:\\Kivren\\video.mov");
    EXPECT_EQ(line, "\"ffmpeg\" -y -f rawvideo -pixel_format bgra -video_size 1920x1080 "
                    "-framerate 30 -i pipe:0 -c:v prores_ks -profile:v 3 -pix_fmt yuv422p10le "
                    "-movflags +faststart \"C:\\Kivren\\video.mov\"");
    EXPECT_EQ(encoderCommandLine("ffmpeg", "rgba", 1920, 1080, 30,
                                 "C:\\Kivren\\v - custom pass.mov", true),
              "\"ffmpeg\" -y -f rawvideo -pixel_format rgba -video_size 1920x1080 -framerate 30 "
              "-i pipe:0 -c:v prores_ks -profile:v 4 -pix_fmt yuv444p10le -movflags +faststart "
              "\"C:\\Kivren\\v - custom pass.mov\"");
    EXPECT_EQ(splitCommandLine(encoderCommandLine("C:\\Program Files\\ffmpeg.exe", "rgba", 64, 48,
                                                  999, "D:\\out dir\\my video - depth.mov")),
              (Words{"C:\\Program Files\\ffmpeg.exe",
                     "-y",
                     "-f",
                     "rawvideo",
                     "-pixel_format",
                     "rgba",
                     "-video_size",
                     "64x48",
                     "-framerate",
                     "999",
                     "-i",
                     "pipe:0",
                     "-c:v",
                     "prores_ks",
                     "-profile:v",
                     "3",
                     "-pix_fmt",
                     "yuv422p10le",
                     "-movflags",
                     "+faststart",
                     "D:\\out dir\\my video - depth.mov"}));
}

TEST(CommandLine, SplitsByTheWindowsRules) {
    // The program name takes no escapes: a backslash before its closing quote stays.
    EXPECT_EQ(splitCommandLine("\"C:\\tools\\\" x"), (Words{"C:\\tools\\", "x"}));
    EXPECT_EQ(splitCommandLine("prog  a\tb   "), (Words{"prog", "a", "b"}));
    EXPECT_EQ(splitCommandLine("p a\\b a\\\\b"), (Words{"p", "a\\b", "a\\\\b"}));
    EXPECT_EQ(splitCommandLine("p a\\\"b"), (Words{"p", "a\"b"}));
    EXPECT_EQ(splitCommandLine("p a\\\\\"b c\""), (Words{"p", "a\\b c"}));
    EXPECT_EQ(splitCommandLine("p \"a\"\"b\" \"\""), (Words{"p", "a\"b", ""}));
    EXPECT_EQ(splitCommandLine("p \"unterminated arg"), (Words{"p", "unterminated arg"}));
}

TEST(CommandLine, RefusesOnlyWhatCouldAddArguments) {
    for (const char* accepted : {"C:\\Kivren", "video", "vid\xE9o \xC3\xA9", "a'b&c|d;e$f%g^h",
                                 "C:\\Program Files\\ffmpeg\\bin\\ffmpeg.exe"})
        EXPECT_TRUE(safeInCommandLine(accepted)) << accepted;
    for (const char* refused : {"a\"b", "a\nb", "a\tb", "a\rb", "\x7f", "a\x1b"})
        EXPECT_FALSE(safeInCommandLine(refused)) << refused;
}

TEST(SessionRules, PathsAndRate) {
    const char separator = static_cast<char>(std::filesystem::path::preferred_separator);
    EXPECT_EQ(joinPath("dir", "video.mov"), std::string("dir") + separator + "video.mov");
    EXPECT_EQ(joinPath("dir/", "video.mov"), "dir/video.mov");
    EXPECT_EQ(joinPath(std::string("dir") + separator, "v.txt"),
              std::string("dir") + separator + "v.txt");

    EXPECT_EQ(sessionRate(30, 1000), 30);
    EXPECT_EQ(sessionRate(10, 333), 30);
    EXPECT_EQ(sessionRate(2, 3), 666);
    // Under one millisecond there is no rate, never a division by zero.
    EXPECT_EQ(sessionRate(5, 0), 0);
    EXPECT_EQ(sessionRate(0, 0), 0);
}

TEST(SessionRules, TakeNames) {
    std::set<std::string> files;
    const auto exists = [&](const std::string& path) { return files.count(path) != 0; };
    const std::string take = joinPath("dir", "take");
    EXPECT_EQ(freeTakeName("dir", "take", exists), "take");
    // Any file of a take claims its name, whichever pass it belongs to.
    for (const char* suffix : takeFileSuffixes) {
        files = {take + suffix};
        EXPECT_EQ(freeTakeName("dir", "take", exists), "take (2)") << suffix;
    }
    files = {take + ".txt", take + " (2) - custom pass.mov", take + " (3).mov",
             joinPath("dir", "take (5).txt")};
    EXPECT_EQ(freeTakeName("dir", "take", exists), "take (4)");
    // Nothing is left to choose: the start is refused rather than replace a take.
    const auto everything = [](const std::string&) { return true; };
    EXPECT_EQ(freeTakeName("dir", "take", everything), "");
}

} // namespace
