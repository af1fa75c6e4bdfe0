// The ID pass commands through the built plugin in the stand-in host: a saved
// configuration run again with "exec" restores the set, with the automatic
// colours, and words that cannot be used are answered without a change.
#include "loaded_plugin.h"

#include <set>

namespace {

class PluginCommands : public LoadedPlugin {
protected:
    std::filesystem::path config(const std::string& name) const {
        return host->cfgFolder() / "kivren" / (name + ".cfg");
    }

    std::set<MeshHash> meshes() {
        return {plugin().idPassMeshes.begin(), plugin().idPassMeshes.end()};
    }
};

} // namespace

TEST_F(PluginCommands, SaveThenExecRestoresTheSet) {
    load();
    console().run("kivren_custom_pass_add 4dc13974d71cc7a7; kivren_custom_pass_add 0X1A2B");
    console().run("kivren_custom_pass_save trip");
    const std::string saved = readFile(config("trip"));
    EXPECT_EQ(saved.rfind("kivren_custom_pass_clear\r\n", 0), 0u);
    EXPECT_NE(saved.find("\r\nkivren_custom_pass_add 4dc13974d71cc7a7\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\nkivren_custom_pass_add 1a2b\r\n"), std::string::npos);
    EXPECT_EQ(saved.size(), std::string("kivren_custom_pass_clear\r\n"
                                        "kivren_custom_pass_add 4dc13974d71cc7a7\r\n"
                                        "kivren_custom_pass_add 1a2b\r\n")
                                .size());

    console().run("kivren_custom_pass_clear; kivren_custom_pass_add 5");
    console().clearLog();
    console().run("exec kivren/trip.cfg");
    EXPECT_TRUE(console().logLines().empty());
    EXPECT_EQ(meshes(), (std::set<MeshHash>{0x4dc13974d71cc7a7, 0x1a2b}));
    const IdColour worked = plugin().idPassColours.at(0x4dc13974d71cc7a7);
    EXPECT_FLOAT_EQ(worked.r, 0.9266666f);
    EXPECT_FLOAT_EQ(worked.g, 0.1847196f);
    EXPECT_FLOAT_EQ(worked.b, 0.13899997f);

    // A configuration saved as "default" is the one the plugin runs at load.
    console().run("kivren_custom_pass_save default");
    host->unloadPlugin();
    load();
    EXPECT_EQ(meshes(), (std::set<MeshHash>{0x4dc13974d71cc7a7, 0x1a2b}));
}

TEST_F(PluginCommands, UnusableWordsAreAnsweredAndChangeNothing) {
    load();
    console().run("kivren_custom_pass_add 1a2b");
    console().clearLog();
    console().run("kivren_custom_pass_add xyz; kivren_custom_pass_save ../../escape; "
                  "kivren_custom_pass_color #12zzzz; kivren_debug_models_next");
    const auto lines = console().logLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind("kivren_custom_pass_add: \"xyz\"", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("kivren_custom_pass_save: \"../../escape\"", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind("kivren_custom_pass_color: \"#12zzzz\"", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3].rfind("kivren_debug_models_next: no mesh has been seen yet", 0), 0u)
        << lines[3];
    EXPECT_EQ(meshes(), (std::set<MeshHash>{0x1a2b}));
    EXPECT_EQ(plugin().highlightColour, (IdColour{1.0f, 0.0f, 1.0f}));
    EXPECT_FALSE(std::filesystem::exists(scratch.path() / "escape.cfg"));
    EXPECT_FALSE(std::filesystem::exists(host->cfgFolder() / "kivren"));
}
