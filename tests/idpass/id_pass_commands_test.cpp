// The ID pass commands through the stand-in console: stepping, adding,
// saving, running a saved file again, the highlight colour, and the answers
// to words that cannot be used. The word counts are checked through the
// built plugin (core/lifecycle_test.cpp).
#include "formats/mesh_identity.h"
#include "host_clipboard.h"
#include "plugin_rig.h"

#include <fstream>
#include <sstream>

namespace {

class Commands : public testing::Test {
protected:
    Commands() { rig.plugin.registerConsoleCommands(); }

    std::vector<std::string> run(const std::string& line) {
        rig.console->clearLog();
        rig.console->run(line);
        return rig.console->logLines();
    }

    std::filesystem::path configFolder() const {
        return rig.scratch.path() / "bakkesmod" / "cfg" / "kivren";
    }

    // Steps once and returns the hash that the console line and the clipboard show.
    std::string step(const char* command) {
        const auto lines = run(command);
        EXPECT_EQ(lines.size(), 1u);
        const std::string prefix = "[debug_models] ";
        if (lines.size() != 1 || lines[0].rfind(prefix, 0) != 0)
            return {};
        const std::string digits = lines[0].substr(prefix.size());
        EXPECT_EQ(hostClipboardText(), digits);
        return digits;
    }

    PluginRig rig;
};

std::string hex(MeshHash hash) {
    return fmt::format("{:x}", hash);
}

} // namespace

TEST_F(Commands, SteppingSaysAndCopiesTheSelection) {
    // No mesh seen yet: one line, and the selection stays the all-zero key.
    for (const char* command : {"kivren_debug_models_next", "kivren_debug_models_prev"}) {
        const auto lines = run(command);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].rfind(std::string(command) + ": no mesh has been seen yet", 0), 0u)
            << lines[0];
        EXPECT_EQ(rig.plugin.debugModels().selected(), MeshKey{});
    }

    // The worked line.
    rig.plugin.debugModels().remember(workedKey);
    EXPECT_EQ(step("kivren_debug_models_next"), "4dc13974d71cc7a7");

    // Each command steps its own way; the walk itself is DebugModels'.
    for (std::uint32_t stride = 4; stride <= 12; stride += 4)
        rig.plugin.debugModels().remember({stride, 1024, 512, 256});
    rig.plugin.debugModels().select(MeshKey{});
    const std::string first = step("kivren_debug_models_next");
    const std::string second = step("kivren_debug_models_next");
    EXPECT_NE(first, second);
    EXPECT_EQ(second, hex(hashMeshKey(rig.plugin.debugModels().selected())));
    EXPECT_EQ(step("kivren_debug_models_prev"), first);
}

TEST_F(Commands, AddingMeshes) {
    // Before any stepping the selection is the all-zero key.
    EXPECT_TRUE(run("kivren_debug_models_add").empty());
    EXPECT_EQ(rig.plugin.idPass().meshes(), (std::unordered_set<MeshHash>{0x4d25767f9dce13f5}));

    EXPECT_TRUE(run("kivren_custom_pass_add 0x1A2B").empty());
    EXPECT_TRUE(rig.plugin.idPass().meshes().contains(0x1a2b));

    // Words that hold no usable hash add nothing and say why.
    for (const char* word : {"xyz", "12zz", "10000000000000000", "\"\""}) {
        const auto lines = run(std::string("kivren_custom_pass_add ") + word);
        ASSERT_EQ(lines.size(), 1u) << word;
        EXPECT_EQ(lines[0].rfind("kivren_custom_pass_add: ", 0), 0u) << lines[0];
    }
    EXPECT_EQ(rig.plugin.idPass().meshes().size(), 2u);
    EXPECT_FALSE(rig.plugin.idPass().meshes().contains(0));
    EXPECT_TRUE(run("kivren_custom_pass_clear").empty());
    EXPECT_TRUE(rig.plugin.idPass().meshes().empty());
}

TEST_F(Commands, SavedFileRestoresTheSetWithAutomaticColours) {
    EXPECT_TRUE(run("kivren_custom_pass_save empty").empty());
    EXPECT_EQ(readFile(configFolder() / "empty.cfg"), "kivren_custom_pass_clear\r\n");

    run("kivren_custom_pass_add 4dc13974d71cc7a7; kivren_custom_pass_add 1a2b");
    rig.plugin.idPass().setColour(workedHash, {0.0f, 0.0f, 0.0f});
    EXPECT_TRUE(run("kivren_custom_pass_save mine").empty());
    const std::string saved = readFile(configFolder() / "mine.cfg");
    // The adds come in the set's own order, each line ends in CRLF.
    const std::string clear = "kivren_custom_pass_clear\r\n";
    const std::string worked = "kivren_custom_pass_add 4dc13974d71cc7a7\r\n";
    const std::string other = "kivren_custom_pass_add 1a2b\r\n";
    EXPECT_TRUE(saved == clear + worked + other || saved == clear + other + worked) << saved;

    // Saving again under the same name replaces the file.
    run("kivren_custom_pass_clear");
    run("kivren_custom_pass_save mine");
    EXPECT_EQ(readFile(configFolder() / "mine.cfg"), "kivren_custom_pass_clear\r\n");

    // Running a saved file empties the pass and adds each mesh back with its
    // automatic colour; edited colours are not kept.
    std::ofstream(configFolder() / "mine.cfg", std::ios::binary) << saved;
    run("kivren_custom_pass_add 77");
    EXPECT_TRUE(run("exec kivren/mine.cfg").empty());
    EXPECT_EQ(rig.plugin.idPass().meshes(), (std::unordered_set<MeshHash>{workedHash, 0x1a2b}));
    EXPECT_EQ(rig.plugin.idPass().colours().at(workedHash), autoColour(workedHash));
    EXPECT_EQ(rig.plugin.idPass().colours().size(), 2u);
}

TEST_F(Commands, SaveRefusesNamesOutsideItsFolderAndReportsFailures) {
    run("kivren_custom_pass_add 1a2b");
    for (const char* name : {"../../x", "../x", "/tmp/x", "a/b", "a\\\\b", "C:x", "..", "."}) {
        const auto lines = run(fmt::format("kivren_custom_pass_save \"{}\"", name));
        ASSERT_EQ(lines.size(), 1u) << name;
        EXPECT_EQ(lines[0].rfind("kivren_custom_pass_save: \"", 0), 0u) << lines[0];
        EXPECT_NE(lines[0].find("is not a plain file name"), std::string::npos) << lines[0];
    }
    EXPECT_FALSE(std::filesystem::exists(configFolder()));
    EXPECT_FALSE(std::filesystem::exists(rig.scratch.path() / "x.cfg"));

    // A file that stands where the folder should be: the error names the
    // operation and the folder, and nothing is written.
    std::ofstream(configFolder(), std::ios::binary) << "in the way";
    auto lines = run("kivren_custom_pass_save mine");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("kivren_custom_pass_save: "), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("kivren"), std::string::npos) << lines[0];
    EXPECT_EQ(readFile(configFolder()), "in the way");

    // No cfg folder at all: create_directory makes only the last level.
    std::filesystem::remove_all(rig.scratch.path() / "bakkesmod" / "cfg");
    lines = run("kivren_custom_pass_save mine");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("kivren_custom_pass_save: create_directory failed for \"", 0), 0u)
        << lines[0];
    EXPECT_EQ(rig.plugin.idPass().meshes().size(), 1u);
}

TEST_F(Commands, HighlightColourWords) {
    EXPECT_TRUE(run("kivren_custom_pass_color #FF8000").empty());
    EXPECT_EQ(rig.plugin.idPass().highlightColour(), (IdColour{1.0f, 0.5019608f, 0.0f}));
    for (const char* word : {"FF8000", "#ff80", "#FF80001", "#12zzzz"}) {
        const auto lines = run(std::string("kivren_custom_pass_color ") + word);
        ASSERT_EQ(lines.size(), 1u) << word;
        EXPECT_EQ(lines[0].rfind(std::string("kivren_custom_pass_color: \"") + word, 0), 0u)
            << lines[0];
    }
    EXPECT_EQ(rig.plugin.idPass().highlightColour(), (IdColour{1.0f, 0.5019608f, 0.0f}));
}
