// settings.cfg: written on every change of the three persisted variables,
// run line by line at start-up, and never an exception into the host.
#include "loaded_plugin.h"

namespace {

class Settings : public LoadedPlugin {
protected:
    std::filesystem::path file() const { return host->dataFolder() / "Kivren" / "settings.cfg"; }

    void writeSettings(const std::string& content) {
        std::filesystem::create_directories(file().parent_path());
        std::ofstream(file(), std::ios::binary) << content;
    }
};

} // namespace

TEST_F(Settings, NoFileLoadsNothingAndCreatesNothing) {
    load();
    EXPECT_FALSE(std::filesystem::exists(file()));
    EXPECT_EQ(console().value("kivren_path"), "C:\\Kivren");
    // Only the three persisted variables write the file.
    console().run("kivren_depth 0; kivren_fps 60; kivren_custom_pass 1");
    EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST_F(Settings, EveryChangeRewritesAllThreeLinesExactlyAsTyped) {
    load();
    console().run("kivren_name \"take 2\"");
    EXPECT_EQ(readFile(file()), "kivren_path \"C:\\Kivren\"\r\n"
                                "kivren_name \"take 2\"\r\n"
                                "kivren_ffmpeg_path \"ffmpeg\"\r\n");

    // Spaces, backslashes and double quotes are written unchanged.
    host->console().getCvar("kivren_path")->setValue(std::string("D:\\My Videos\\say \"hi\""));
    host->console().getCvar("kivren_ffmpeg_path")->setValue(std::string("C:\\tools\\ffmpeg.exe"));
    EXPECT_EQ(readFile(file()), "kivren_path \"D:\\My Videos\\say \"hi\"\"\r\n"
                                "kivren_name \"take 2\"\r\n"
                                "kivren_ffmpeg_path \"C:\\tools\\ffmpeg.exe\"\r\n");

    console().run("kivren_normal 1");
    EXPECT_EQ(readFile(file()).find("kivren_normal"), std::string::npos);
}

TEST_F(Settings, LoadRunsEveryLineAndLeavesTheRestoredValues) {
    // Blank lines, a line of the user's own and no line break after the last line.
    writeSettings("kivren_path \"E:\\Captures\"\r\n"
                  "\r\n"
                  "\n"
                  "kivren_fps 45\n"
                  "kivren_name \"final cut\"\r\n"
                  "kivren_ffmpeg_path \"C:\\ff\\bin\\ffmpeg.exe\"");
    load();
    EXPECT_EQ(*plugin().recordPath, "E:\\Captures");
    EXPECT_EQ(*plugin().recordName, "final cut");
    EXPECT_EQ(*plugin().ffmpegPath, "C:\\ff\\bin\\ffmpeg.exe");
    EXPECT_EQ(*plugin().videoFps, 45);

    // Each restoring line rewrote the file while the load was reading it; the
    // lines run were those of the original, and the file ends up holding the
    // three restored values.
    const auto executed = console().journal();
    EXPECT_EQ(std::count(executed.begin(), executed.end(),
                         "executeCommand kivren_ffmpeg_path \"C:\\ff\\bin\\ffmpeg.exe\""),
              1);
    EXPECT_EQ(readFile(file()), "kivren_path \"E:\\Captures\"\r\n"
                                "kivren_name \"final cut\"\r\n"
                                "kivren_ffmpeg_path \"C:\\ff\\bin\\ffmpeg.exe\"\r\n");
}

TEST_F(Settings, UnreadableFileIsSkippedSilently) {
    // A folder where the file should be: it exists but cannot be read.
    std::filesystem::create_directories(file());
    load();
    EXPECT_EQ(console().value("kivren_name"), "video");
    EXPECT_TRUE(console().logLines().size() <= 1) << "at most the missing default.cfg";
}

// A file-system error while saving becomes one console line naming the
// operation, the folder and the system's message; the host carries on.
TEST_F(Settings, FolderThatCannotBeMadeIsReportedNotThrown) {
    std::filesystem::remove_all(host->dataFolder());
    std::ofstream(host->dataFolder()) << "a file where the data folder should be";
    load();
    console().clearLog();
    console().run("kivren_name other");
    const auto lines = console().logLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("create_directories"), std::string::npos) << lines[0];
    const std::u8string folder = (host->dataFolder() / "Kivren").u8string();
    EXPECT_NE(lines[0].find(std::string(folder.begin(), folder.end())), std::string::npos)
        << lines[0];
    EXPECT_EQ(console().value("kivren_name"), "other") << "the change itself stands";
}

// The existence test itself failing (here: a folder that resolves to itself)
// is reported like a failed save, and start-up goes on.
TEST_F(Settings, ExistenceTestFailureIsReportedNotThrown) {
    std::filesystem::create_directories(host->dataFolder());
    std::error_code error;
    std::filesystem::create_directory_symlink("Kivren", host->dataFolder() / "Kivren", error);
    if (error)
        GTEST_SKIP() << "this system cannot make a symbolic link loop: " << error.message();
    // Wine makes the link but then reports it as missing, not as a loop.
    if (std::filesystem::symlink_status(host->dataFolder() / "Kivren", error).type() !=
        std::filesystem::file_type::symlink)
        GTEST_SKIP() << "this system does not show a symbolic link loop as a link";
    load();
    const auto lines = console().logLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines[0].find("exists failed"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("settings.cfg"), std::string::npos) << lines[0];
    EXPECT_EQ(console().notifiers().size(), 9u) << "start-up went on after the failure";
}
