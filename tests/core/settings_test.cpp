// settings.cfg: written on every change of the three persisted variables,
// read back line by line at start-up (values only, never commands), and
// never an exception into the host.
#include "loaded_plugin.h"

#include <regex>

namespace {

class Settings : public LoadedPlugin {
protected:
    std::filesystem::path file() const { return host->dataFolder() / "Kivren" / "settings.cfg"; }

    // Typed into kivren_name, written unescaped into the file and run at
    // the next load, this once set other variables.
    static constexpr const char* injection =
        "take1\"; kivren_custom_pass 1; kivren_name \"injected";

    void set(const std::string& name, const std::string& value) {
        host->console().getCvar(name)->setValue(value);
    }
    std::size_t entries(const std::string& prefix) {
        const auto journal = console().journal();
        return static_cast<std::size_t>(
            std::count_if(journal.begin(), journal.end(),
                          [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }));
    }

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

    // Spaces, backslashes and semicolons are written unchanged.
    set("kivren_path", "D:\\My Videos\\a; b");
    set("kivren_ffmpeg_path", "C:\\tools\\ffmpeg.exe");
    EXPECT_EQ(readFile(file()), "kivren_path \"D:\\My Videos\\a; b\"\r\n"
                                "kivren_name \"take 2\"\r\n"
                                "kivren_ffmpeg_path \"C:\\tools\\ffmpeg.exe\"\r\n");

    console().run("kivren_normal 1");
    EXPECT_EQ(readFile(file()).find("kivren_normal"), std::string::npos);
}

// A value that its line cannot give back exactly is not written: the file
// keeps the last value that can be, and the console says why, once.
TEST_F(Settings, ValuesThatCannotLoadBackAreNotWritten) {
    load();
    set("kivren_name", "take 3");
    console().clearLog();
    const std::string saved = readFile(file());
    for (const std::string& value : {std::string(injection), std::string("two\r\nlines"),
                                     std::string("tab\there"), std::string("del\x7f")}) {
        set("kivren_name", value);
        EXPECT_EQ(readFile(file()), saved) << value;
        EXPECT_EQ(console().value("kivren_name"), value) << "the variable keeps its value";
    }
    set("kivren_path", "E:\\Other");
    EXPECT_EQ(console().logLines(),
              std::vector<std::string>(4, "Kivren settings: kivren_name holds a double quote or "
                                          "a control character, which settings.cfg cannot keep; "
                                          "the file keeps \"take 3\"."))
        << "one line per refused value, none for the later save of kivren_path";
    EXPECT_EQ(readFile(file()), "kivren_path \"E:\\Other\"\r\n"
                                "kivren_name \"take 3\"\r\n"
                                "kivren_ffmpeg_path \"ffmpeg\"\r\n");
}

TEST_F(Settings, LoadGivesEachLineItsValueAndRunsNothingElse) {
    // Blank lines, a line of the user's own and no line break after the last line.
    writeSettings("kivren_path \"E:\\Captures; kivren_custom_pass 1\"\r\n"
                  "\r\n"
                  "\n"
                  "kivren_fps 45\n"
                  "kivren_name \"final cut\"\r\n"
                  "kivren_ffmpeg_path \"C:\\ff\\bin\\ffmpeg.exe\"");
    load();
    EXPECT_EQ(console().value("kivren_path"), "E:\\Captures; kivren_custom_pass 1");
    EXPECT_EQ(console().value("kivren_name"), "final cut");
    EXPECT_EQ(console().value("kivren_ffmpeg_path"), "C:\\ff\\bin\\ffmpeg.exe");
    EXPECT_EQ(console().value("kivren_custom_pass"), "0") << "nothing inside a value runs";
    EXPECT_EQ(console().value("kivren_fps"), "30") << "the user's line is not run";
    EXPECT_TRUE(consoleSaid("Kivren settings: line 4 of settings.cfg was not loaded: only lines "
                            "of the form kivren_name \"value\" are (put console commands in "
                            "cfg/kivren/default.cfg): kivren_fps 45"));
    EXPECT_EQ(entries("executeCommand kivren_"), 0u);

    // Each restored value rewrote the file while the load was reading it;
    // the lines loaded were those of the original, and the file ends up
    // holding the three restored values.
    EXPECT_EQ(entries("setValue kivren_ffmpeg_path C:\\ff\\bin\\ffmpeg.exe"), 1u);
    EXPECT_EQ(readFile(file()), "kivren_path \"E:\\Captures; kivren_custom_pass 1\"\r\n"
                                "kivren_name \"final cut\"\r\n"
                                "kivren_ffmpeg_path \"C:\\ff\\bin\\ffmpeg.exe\"\r\n");
}

// A file written before values were checked may hold a line that a console
// would run as several commands: none of them runs.
TEST_F(Settings, InjectedCommandsNeverRunAtLoad) {
    writeSettings("kivren_name \"" + std::string(injection) + "\"\r\n" +
                  "kivren_path \"D:\\x\"; kivren_custom_pass 1\r\n" +
                  "kivren_ffmpeg_path \"ffmpeg\"\r\n");
    load();
    EXPECT_EQ(console().value("kivren_name"), "video");
    EXPECT_EQ(console().value("kivren_path"), "C:\\Kivren");
    EXPECT_EQ(console().value("kivren_custom_pass"), "0");
    EXPECT_EQ(entries("setValue kivren_custom_pass"), 0u);
    EXPECT_EQ(entries("executeCommand kivren_"), 0u);
    const auto lines = console().logLines();
    EXPECT_EQ(
        std::count_if(lines.begin(), lines.end(),
                      [](const std::string& l) { return l.find("was not loaded") != l.npos; }),
        2);
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
    EXPECT_NE(lines[0].find(std::string(folder.begin(), folder.end()) + "\": error "),
              std::string::npos)
        << lines[0];
    EXPECT_EQ(console().value("kivren_name"), "other") << "the change itself stands";
}

// The file itself refused (a folder has its name): the save says so with the
// system's code instead of keeping quiet, and the host carries on.
TEST_F(Settings, FileThatCannotBeWrittenIsReportedWithItsCode) {
    load();
    std::filesystem::create_directories(file());
    console().clearLog();
    console().run("kivren_name other");
    const auto lines = console().logLines();
    ASSERT_EQ(lines.size(), 1u) << testing::PrintToString(lines);
    const std::u8string path = file().u8string();
    const std::string start = "Kivren settings: open failed for \"" +
                              std::string(path.begin(), path.end()) + "\": error ";
    EXPECT_EQ(lines[0].rfind(start, 0), 0u) << lines[0];
    EXPECT_TRUE(
        std::regex_match(lines[0].substr(start.size()), std::regex(R"([1-9]\d*: [^\r\n]+)")))
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
