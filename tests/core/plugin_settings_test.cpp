// The settings part on its own, in the stand-in console: the bound values
// follow their variables, a text setting's change reaches every thread's
// copy and the handler, and settings.cfg keeps the last value it can hold,
// saying once about each one it cannot.
#include "core/plugin_settings.h"
#include "scratch_folder.h"
#include "sdk_handles.h"
#include "sim_console.h"

#include <gtest/gtest.h>

namespace {

struct SettingsInConsole : testing::Test {
    SettingsInConsole() {
        console = std::make_shared<SimConsole>(scratch.path() / "cfg");
        cvars = makeCVarManagerWrapper(console);
        settings.registerVariables(*cvars, [this](CVarWrapper cvar) {
            if (settings.publish(cvar))
                settings.saveFile(scratch.path() / "Kivren",
                                  [this](const std::string& line) { said.push_back(line); });
        });
    }
    std::string file() const { return readFile(scratch.path() / "Kivren" / "settings.cfg"); }

    ScratchFolder scratch;
    std::shared_ptr<SimConsole> console;
    std::shared_ptr<CVarManagerWrapper> cvars;
    PluginSettings settings;
    std::vector<std::string> said;
};

TEST_F(SettingsInConsole, BoundValuesAndPublishedTextsFollowTheVariables) {
    EXPECT_TRUE(settings.isOn(Switch::Depth));
    EXPECT_TRUE(settings.isOn(Switch::FrameData));
    EXPECT_FALSE(settings.isOn(Switch::CustomPass444));
    EXPECT_EQ(settings.fps(), 30);
    EXPECT_EQ(settings.text(TextSetting::Ffmpeg), "ffmpeg");

    console->run("kivren_depth 0; kivren_custom_pass_444 1; kivren_fps 2000; kivren_name clip");
    EXPECT_FALSE(settings.isOn(Switch::Depth));
    EXPECT_TRUE(settings.isOn(Switch::CustomPass444));
    EXPECT_EQ(settings.fps(), 999) << "clamped to the variable's maximum";
    EXPECT_EQ(settings.boundText(TextSetting::Name), "clip");
    EXPECT_EQ(settings.text(TextSetting::Name), "clip");
    EXPECT_EQ(*settings.shownText(TextSetting::Name), "clip");
    console->run("kivren_fps 0; kivren_normal 1");
    EXPECT_EQ(settings.fps(), 1) << "clamped to the variable's minimum";
    EXPECT_TRUE(settings.isOn(Switch::Normal));
}

TEST_F(SettingsInConsole, TheFileKeepsTheLastSavableValueAndSaysOnceAboutEachOther) {
    console->run("kivren_name take");
    EXPECT_EQ(file(), "kivren_path \"C:\\Kivren\"\r\nkivren_name \"take\"\r\n"
                      "kivren_ffmpeg_path \"ffmpeg\"\r\n");
    const std::string refused = "kivren_name holds a double quote or a control character";
    console->getCvar("kivren_name")->setValue("a\"b");
    console->run("kivren_path D:\\clips");
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find(refused), std::string::npos) << said[0];
    EXPECT_NE(said[0].find("the file keeps \"take\""), std::string::npos) << said[0];
    EXPECT_EQ(file(), "kivren_path \"D:\\clips\"\r\nkivren_name \"take\"\r\n"
                      "kivren_ffmpeg_path \"ffmpeg\"\r\n");
    EXPECT_EQ(settings.text(TextSetting::Name), "a\"b") << "the recording still sees the value";

    console->getCvar("kivren_name")->setValue("c\"d");
    EXPECT_EQ(said.size(), 2u) << "a new unsavable value is said again";
}

} // namespace
