// The ordered start-up in onLoad, the console variables and commands it
// registers, and the recording request that kivren_start and kivren_stop own.
#include "loaded_plugin.h"
#include "minimal_runtime.h"

#include <sstream>

namespace {

using Lifecycle = LoadedPlugin;

std::vector<std::string> entriesStartingWith(const std::vector<std::string>& journal,
                                             const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& entry : journal) {
        if (entry.rfind(prefix, 0) == 0)
            found.push_back(entry.substr(prefix.size()));
    }
    return found;
}

} // namespace

TEST_F(Lifecycle, OnLoadRegistersInOrderAndRunsTheUsersConfigurationLast) {
    // A settings file, so that its load shows up between handlers and commands.
    std::filesystem::create_directories(host->dataFolder() / "Kivren");
    std::ofstream(host->dataFolder() / "Kivren" / "settings.cfg", std::ios::binary)
        << "kivren_name \"restored\"\r\n";
    // The user's configuration may use every variable and command.
    std::filesystem::create_directories(host->cfgFolder() / "kivren");
    std::ofstream(host->cfgFolder() / "kivren" / "default.cfg") << "kivren_fps 48\nkivren_start\n";
    load();

    const std::vector<std::string> journal = console().journal();
    std::vector<std::string> kinds;
    for (const std::string& entry : journal) {
        const std::string kind = entry.substr(0, entry.find(' '));
        if (kinds.empty() || kinds.back() != kind)
            kinds.push_back(kind);
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"registerCvar", "addOnValueChanged", "setValue",
                                               "registerNotifier", "executeCommand", "setValue"}));
    EXPECT_EQ(entriesStartingWith(journal, "executeCommand "),
              (std::vector<std::string>{"exec kivren/default.cfg"}));
    EXPECT_EQ(entriesStartingWith(journal, "setValue "),
              (std::vector<std::string>{"kivren_name restored", "kivren_fps 48"}));
    EXPECT_EQ(entriesStartingWith(journal, "addOnValueChanged "),
              (std::vector<std::string>{"kivren_path", "kivren_name", "kivren_ffmpeg_path"}));

    // Each variable as the host lists it: default, description, range; all are
    // searchable and saved.
    std::vector<std::string> variables;
    for (const SimConsole::VariableInfo& v : console().variables()) {
        std::ostringstream line;
        line << v.name << " = \"" << v.defaultValue << "\": " << v.description;
        if (v.hasMin)
            line << ", min " << v.min;
        if (v.hasMax)
            line << ", max " << v.max;
        variables.push_back(line.str() + (v.searchable && v.saveToCfg ? "" : ", hidden"));
    }
    EXPECT_EQ(variables, (std::vector<std::string>{
                             "kivren_path = \"C:\\Kivren\": Path to save recordings to",
                             "kivren_name = \"video\": Name of the recording",
                             "kivren_depth = \"1\": Record depth map, min 0, max 1",
                             "kivren_normal = \"0\": Record normal map, min 0, max 1",
                             "kivren_custom_pass = \"0\": Record custom/ID pass, min 0, max 1",
                             "kivren_custom_pass_preview = \"0\": Preview custom/ID pass in-game, "
                             "min 0, max 1",
                             "kivren_frame_data = \"1\": Record camera, cars and ball data, min 0, "
                             "max 1",
                             "kivren_debug_models = \"0\": Debug models mode, min 0, max 1",
                             "kivren_fps = \"30\": Video framerate, min 1, max 999",
                             "kivren_ffmpeg_path = \"ffmpeg\": Path to ffmpeg.exe",
                             "kivren_custom_pass_444 = \"0\": Record the ID pass in ProRes 4444, "
                             "min 0, max 1",
                         }));

    std::vector<std::string> commands;
    for (const SimConsole::NotifierInfo& n : console().notifiers())
        commands.push_back(n.name + ": " + n.description + (n.permissions ? ", restricted" : ""));
    EXPECT_EQ(commands, (std::vector<std::string>{
                            "kivren_start: Start recording",
                            "kivren_stop: Stop recording",
                            "kivren_debug_models_prev: Previous debug model",
                            "kivren_debug_models_next: Next debug model",
                            "kivren_debug_models_add: Add selected mesh to ID pass",
                            "kivren_custom_pass_clear: Clear all meshes from ID pass",
                            "kivren_custom_pass_add: Add mesh hash to ID pass",
                            "kivren_custom_pass_save: Save ID pass config",
                            "kivren_custom_pass_color: Set debug-highlight colour",
                        }));

    EXPECT_TRUE(consoleSaid("Must be in a replay to record"));
}

TEST_F(Lifecycle, StartChecksReplayWordsAndEffectsInThatOrder) {
    load();
    // A requested recording starts at the next frame; without its folder it
    // says so and lowers the request.
    const std::string missing = (scratch.path() / "missing").string();
    console().run("kivren_path \"" + missing + "\"");
    const std::string refused =
        "1 [Kivren] Output folder " + missing + " does not exist; recording not started.";
    MinimalRuntime runtime;
    auto startRequested = [&] {
        const std::size_t before = reshade.logLines().size();
        reshade.fireFinishEffects(&runtime, nullptr, 1);
        const auto lines = reshade.logLines();
        return lines.size() == before + 1 && lines.back() == refused;
    };
    runtime.effectsOn = false;
    reshade.firePresent(&runtime);

    auto lastLine = [this] {
        const auto lines = console().logLines();
        return lines.empty() ? std::string() : lines.back();
    };

    host->game().setInReplay(false);
    console().run("kivren_start extra words");
    EXPECT_EQ(lastLine(), "Must be in a replay to record");

    host->game().setInReplay(true);
    console().run("kivren_start extra");
    EXPECT_EQ(lastLine(), "kivren_start takes no parameters");
    console().run("kivren_start");
    EXPECT_EQ(lastLine(), "Enable ReShade effects first");
    EXPECT_FALSE(startRequested());

    runtime.effectsOn = true;
    reshade.firePresent(&runtime);
    console().clearLog();
    console().run("kivren_start");
    EXPECT_TRUE(startRequested());
    console().run("kivren_start");
    console().run("kivren_start");
    EXPECT_TRUE(startRequested());
    EXPECT_TRUE(console().logLines().empty()) << "an accepted or repeated start says nothing";

    console().run("kivren_start");
    console().run("kivren_stop and more words");
    EXPECT_FALSE(startRequested());
    console().run("kivren_stop");
    EXPECT_FALSE(startRequested());
    EXPECT_TRUE(console().logLines().empty());
}

// A wrong word count answers with the usage and changes nothing, through the
// built plugin.
TEST_F(Lifecycle, IdPassCommandsCheckTheirWordCounts) {
    load();
    console().run("kivren_custom_pass_add 1f");
    const std::pair<const char*, const char*> wrongCounts[] = {
        {"kivren_debug_models_prev x", "kivren_debug_models_prev takes no parameters"},
        {"kivren_debug_models_next x", "kivren_debug_models_next takes no parameters"},
        {"kivren_debug_models_add x", "kivren_debug_models_add takes no parameters"},
        {"kivren_custom_pass_clear x", "kivren_custom_pass_clear takes no parameters"},
        {"kivren_custom_pass_add", "kivren_custom_pass_add requires 1 parameter (hash)"},
        {"kivren_custom_pass_add a b", "kivren_custom_pass_add requires 1 parameter (hash)"},
        {"kivren_custom_pass_save", "kivren_custom_pass_save requires 1 parameter (name)"},
        {"kivren_custom_pass_color", "kivren_custom_pass_color requires 1 parameter (#rrggbb)"},
    };
    for (const auto& [command, message] : wrongCounts) {
        console().clearLog();
        console().run(command);
        EXPECT_EQ(console().logLines(), std::vector<std::string>{message}) << command;
    }
    // Nothing changed: the saved list holds the one mesh.
    console().run("kivren_custom_pass_save counts");
    EXPECT_EQ(readFile(host->cfgFolder() / "kivren" / "counts.cfg"),
              "kivren_custom_pass_clear\r\nkivren_custom_pass_add 1f\r\n");
}
