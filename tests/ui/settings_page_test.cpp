// The settings page "Kivren 2.0", drawn headless in the stand-in host's menu
// and clicked and typed into through ImGui's input, as a person would.
#include "formats/mesh_identity.h"
#include "loaded_plugin.h"
#include "minimal_runtime.h"
#include "page_driver.h"

#include <atomic>
#include <thread>

namespace {

class SettingsPage : public LoadedPlugin {
protected:
    void SetUp() override {
        LoadedPlugin::SetUp();
        load();
        menu = std::make_unique<SettingsMenu>(*host);
        driver = std::make_unique<PageDriver>(*menu);
        driver->frame();
    }
    void TearDown() override {
        driver.reset();
        menu.reset();
        LoadedPlugin::TearDown();
    }

    bool pageShows(const std::string& text) {
        driver->frame();
        return menu->pageText().find(text) != std::string::npos;
    }
    void openHeader(const char* label) { ASSERT_TRUE(driver->click(driver->idOf(label))) << label; }
    void setEffects(bool on) {
        runtime.effectsOn = on;
        reshade.firePresent(&runtime);
    }
    // Dear ImGui 1.75 never hovers a disabled widget: a button is enabled when
    // the mouse over it hovers it.
    bool hovers(ImVec2 at, const char* label) {
        return driver->hoveredAt(at) == driver->idOf(label);
    }
    // The list as the console's save writes it.
    std::string savedList() {
        console().run("kivren_custom_pass_save page");
        return readFile(host->cfgFolder() / "kivren" / "page.cfg");
    }
    // The colour a swatch is filled with, as the page drew it.
    ImU32 swatchColour(ImGuiID swatch) {
        driver->frame();
        const auto at = driver->locate(swatch);
        return at ? driver->colourAt(*at) : 0;
    }
    static ImU32 drawn(const IdColour& c) {
        return ImGui::ColorConvertFloat4ToU32({c.r, c.g, c.b, 1.0f});
    }

    MinimalRuntime runtime;
    std::unique_ptr<SettingsMenu> menu;
    std::unique_ptr<PageDriver> driver;
};

} // namespace

TEST_F(SettingsPage, TitleAndTextsAreTheHostsToShow) {
    EXPECT_EQ(menu->windowName(), "Kivren 2.0");
    EXPECT_TRUE(pageShows("Recording directory"));
    EXPECT_FALSE(pageShows("No meshes added yet.")) << "headers start closed";
    openHeader("FFmpeg encoder path");
    EXPECT_TRUE(
        pageShows("No AVI intermediate \xE2\x80\x94 set the path to your ffmpeg.exe below."));
    openHeader("ID Pass  (Cryptomatte-style)");
    EXPECT_TRUE(pageShows("Each mesh you add automatically gets a unique flat colour."));
    EXPECT_TRUE(pageShows("No meshes added yet."));
    EXPECT_TRUE(pageShows("(browse colour only)"));
}

// Each checkbox and the slider change their variable once per change, through
// the console, so that the console's own handlers run.
TEST_F(SettingsPage, CheckboxesAndSliderSetTheirVariablesOnce) {
    const std::pair<const char*, const char*> boxes[] = {
        {"Depth map", "kivren_depth"},
        {"Normal map", "kivren_normal"},
        {"ID pass (custom pass)", "kivren_custom_pass"},
        {"Clean ID pass edges (ProRes 4444)", "kivren_custom_pass_444"},
        {"Record camera, cars and ball data", "kivren_frame_data"},
    };
    for (const auto& [label, variable] : boxes) {
        const std::string before = console().value(variable);
        ASSERT_TRUE(driver->click(driver->idOf(label))) << label;
        EXPECT_NE(console().value(variable), before) << label;
        EXPECT_EQ(console().setCount(variable), 1) << label;
    }
    // The box shows the value as it stands: a second click turns it back.
    ASSERT_TRUE(driver->click(driver->idOf("Depth map")));
    EXPECT_EQ(console().value("kivren_depth"), "1");

    openHeader("ID Pass  (Cryptomatte-style)");
    ASSERT_TRUE(driver->click(driver->idOf("Preview ID pass in-game")));
    ASSERT_TRUE(driver->click(driver->idOf("Debug models")));
    EXPECT_EQ(console().value("kivren_custom_pass_preview"), "1");
    EXPECT_EQ(console().value("kivren_debug_models"), "1");
    EXPECT_EQ(console().setCount("kivren_debug_models"), 1);

    // A click on the slider's track moves it once.
    ASSERT_TRUE(driver->click(driver->idOf("Framerate")));
    EXPECT_NE(console().value("kivren_fps"), "30");
    EXPECT_EQ(console().setCount("kivren_fps"), 1);
}

TEST_F(SettingsPage, EveryKeystrokeSetsTheTextVariableOnce) {
    ASSERT_TRUE(driver->type(driver->idOf("File name"), "xyz"));
    EXPECT_EQ(console().setCount("kivren_name"), 3);
    EXPECT_NE(console().value("kivren_name").find("xyz"), std::string::npos)
        << console().value("kivren_name");
    // The settings file followed each change.
    EXPECT_NE(readFile(host->dataFolder() / "Kivren" / "settings.cfg").find("xyz"),
              std::string::npos);
}

TEST_F(SettingsPage, LongTextIsShownCutAndWrittenBackCut) {
    console().run("kivren_path " + std::string(600, 'p'));
    openHeader("FFmpeg encoder path");
    console().run("kivren_ffmpeg_path " + std::string(600, 'f'));
    driver->frame();

    ASSERT_TRUE(driver->click(driver->idOf("Recording directory")));
    EXPECT_EQ(driver->activeFieldText(), std::string(511, 'p'));
    // The full field takes no more characters; deleting one (the cursor is at the
    // start) writes the cut text back.
    driver->pressKey(ImGuiKey_Delete);
    EXPECT_EQ(console().value("kivren_path"), std::string(510, 'p'));

    ASSERT_TRUE(driver->click(driver->idOf("ffmpeg.exe path")));
    driver->pressKey(ImGuiKey_Delete);
    EXPECT_EQ(console().value("kivren_ffmpeg_path"), std::string(510, 'f'));

    console().run("kivren_name " + std::string(300, 'n'));
    ASSERT_TRUE(driver->click(driver->idOf("File name")));
    EXPECT_EQ(driver->activeFieldText(), std::string(255, 'n'));
    driver->pressKey(ImGuiKey_Delete);
    EXPECT_EQ(console().value("kivren_name"), std::string(254, 'n'));
}

TEST_F(SettingsPage, RecordingButtonsFollowTheRequestAndTheEffects) {
    host->game().setInReplay(true);
    setEffects(true);
    const auto start = driver->locate(driver->idOf("Start recording"));
    ASSERT_TRUE(start.has_value()) << "Start is enabled before a recording";
    EXPECT_FALSE(driver->locateOnRow(driver->idOf("Stop recording"), start->y).has_value())
        << "Stop is disabled before a recording";

    console().clearJournal();
    ASSERT_TRUE(driver->clickAt(*start));
    const std::vector<std::string> expected = {"executeCommand closemenu settings",
                                               "closemenu settings", "executeCommand kivren_start"};
    EXPECT_EQ(console().journal(), expected) << "the menu closes before the recording command runs";

    const auto stop = driver->locateOnRow(driver->idOf("Stop recording"), start->y);
    ASSERT_TRUE(stop.has_value()) << "Stop is enabled once a recording is requested";
    EXPECT_FALSE(hovers(*start, "Start recording"));
    // A disabled button does nothing when clicked.
    console().clearJournal();
    driver->clickAt(*start);
    EXPECT_TRUE(console().journal().empty());

    setEffects(false);
    EXPECT_FALSE(hovers(*start, "Start recording"));
    EXPECT_FALSE(hovers(*stop, "Stop recording"));
    console().clearJournal();
    driver->clickAt(*stop);
    EXPECT_TRUE(console().journal().empty()) << "disabled while effects are off";

    setEffects(true);
    EXPECT_TRUE(hovers(*stop, "Stop recording"));
    driver->clickAt(*stop);
    EXPECT_TRUE(hovers(*start, "Start recording"));
    EXPECT_FALSE(hovers(*stop, "Stop recording"));
    setEffects(false);
    EXPECT_FALSE(hovers(*start, "Start recording")) << "disabled while effects are off";
}

TEST_F(SettingsPage, IdPassListAndTheColourEditors) {
    openHeader("ID Pass  (Cryptomatte-style)");
    console().run("kivren_custom_pass_add 1f");
    EXPECT_TRUE(pageShows("Mesh 1   (id: 1f)"));
    EXPECT_FALSE(pageShows("No meshes added yet."));
    // The swatch's hidden label carries the hash in decimal.
    const ImGuiID swatch = driver->idOf("##ColorButton", {"##meshcol_31"});
    ASSERT_TRUE(driver->locate(swatch).has_value());

    console().run("kivren_custom_pass_add 2a");
    // The rows have moved: a new driver finds every widget afresh.
    driver = std::make_unique<PageDriver>(*menu);
    const ImGuiID otherSwatch = driver->idOf("##ColorButton", {"##meshcol_42"});
    EXPECT_EQ(swatchColour(swatch), drawn(autoColour(0x1f)));
    EXPECT_EQ(swatchColour(otherSwatch), drawn(autoColour(0x2a)));

    // The swatch opens a picker; a click in its colour square edits that mesh only.
    ASSERT_TRUE(driver->click(swatch));
    ImGuiWindow* picker = driver->popupWindow();
    ASSERT_NE(picker, nullptr);
    // The first widget of the picker is its saturation/value square.
    ImGuiID square = 0;
    for (float y = picker->Pos.y + 2.0f; !square && y < picker->Pos.y + picker->Size.y; y += 4.0f)
        square = driver->hoveredAt(ImVec2(picker->Pos.x + picker->Size.x * 0.25f, y));
    ASSERT_NE(square, 0u);
    ASSERT_TRUE(driver->click(square, picker));
    driver->clickAt(ImVec2(-1.0f, -1.0f)); // closes the picker
    // Drawn from the ID pass again: the edit was kept, for that mesh alone.
    EXPECT_NE(swatchColour(swatch), drawn(autoColour(0x1f)));
    EXPECT_EQ(swatchColour(otherSwatch), drawn(autoColour(0x2a)));

    // The highlight's editor: dragging its green field raises green from 0.
    EXPECT_TRUE(pageShows("G:  0"));
    ASSERT_TRUE(driver->drag(driver->idOf("##Y", {"Debug highlight"}), 60.0f));
    EXPECT_FALSE(pageShows("G:  0"));
    EXPECT_TRUE(pageShows("R:255"));
}

TEST_F(SettingsPage, ClearAllAsksBeforeClearing) {
    openHeader("ID Pass  (Cryptomatte-style)");
    console().run("kivren_custom_pass_add 1f");
    driver->frame();

    ASSERT_TRUE(driver->click(driver->idOf("Clear all")));
    ImGuiWindow* popup = driver->popupWindow();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(std::string(popup->Name), "confirm_clear");
    const std::string one = "kivren_custom_pass_clear\r\nkivren_custom_pass_add 1f\r\n";
    EXPECT_EQ(savedList(), one) << "opening the question clears nothing";

    ASSERT_TRUE(driver->click(driver->idOf("Cancel", {}, popup), popup));
    EXPECT_EQ(driver->popupWindow(), nullptr);
    EXPECT_EQ(savedList(), one);

    ASSERT_TRUE(driver->click(driver->idOf("Clear all")));
    popup = driver->popupWindow();
    ASSERT_NE(popup, nullptr);
    ASSERT_TRUE(driver->click(driver->idOf("Yes, clear", {}, popup), popup));
    EXPECT_EQ(savedList(), "kivren_custom_pass_clear\r\n");
    EXPECT_TRUE(pageShows("No meshes added yet."));
}

TEST_F(SettingsPage, DebugModelButtonsRunTheirCommands) {
    openHeader("ID Pass  (Cryptomatte-style)");
    for (const char* label : {"Prev", "Add to ID pass", "Next"}) {
        console().clearJournal();
        ASSERT_TRUE(driver->click(driver->idOf(label))) << label;
        const auto journal = console().journal();
        ASSERT_EQ(journal.size(), 1u) << label;
        EXPECT_EQ(journal[0].rfind("executeCommand kivren_debug_models_", 0), 0u) << journal[0];
    }
}

// The host writes a text variable in place on whichever thread sets it; the
// page, drawn meanwhile, shows one whole value or the other.
TEST_F(SettingsPage, TextFieldsShowWholeValuesWhileAnotherThreadSetsThem) {
    const std::string first(300, 'a');
    const std::string second(200, 'b');
    std::atomic<bool> done{false};
    std::thread setter([&] {
        for (int i = 0; !done.load(); ++i)
            console().run("kivren_path " + (i % 2 ? first : second));
    });
    for (int frame = 0; frame < 200; ++frame)
        driver->frame();
    done = true;
    setter.join();

    console().run("kivren_path " + first);
    ASSERT_TRUE(driver->click(driver->idOf("Recording directory")));
    EXPECT_EQ(driver->activeFieldText(), first);
}

// The list is drawn from a copy: commands that change the ID pass on other
// threads never leave the page reading a container while it changes.
TEST_F(SettingsPage, ListStaysSoundWhileOtherThreadsChangeTheIdPass) {
    openHeader("ID Pass  (Cryptomatte-style)");
    std::atomic<bool> done{false};
    std::thread commands([&] {
        for (int i = 0; !done.load(); ++i) {
            console().run("kivren_custom_pass_add " + std::to_string(i % 64 + 1));
            if (i % 97 == 0)
                console().run("kivren_custom_pass_clear");
        }
    });
    for (int frame = 0; frame < 400; ++frame)
        driver->frame();
    done = true;
    commands.join();

    console().run("kivren_custom_pass_clear; kivren_custom_pass_add a; kivren_custom_pass_add b");
    EXPECT_TRUE(pageShows("Mesh 2   (id: "));
    EXPECT_FALSE(pageShows("Mesh 3"));
}
