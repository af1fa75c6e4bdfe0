// The built plugin in the stand-in host, beside a test game that draws through
// the loaded d3d11 module (the real one under Wine, the stand-in here): the
// game's draws enter the plugin once it is loaded, the listed mesh and the
// selected debug model come out in their flat colours, and after the unload
// the game's code and colours are its own again.
#include "drawing_game.h"
#include "formats/mesh_identity.h"
#include "loaded_plugin.h"

#include <fmt/format.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace {

MeshHash hashOf(const MeshSizes& sizes) {
    return hashMeshKey({sizes.stride, sizes.vertexBytes, sizes.indexBytes, sizes.constantBytes});
}

Rgba eightBit(const IdColour& colour) {
    auto channel = [](float value) {
        return static_cast<std::uint8_t>(std::lround(value * 255.0f));
    };
    return {channel(colour.r), channel(colour.g), channel(colour.b), 255};
}

std::vector<Rgba> gameFrame() {
    std::vector<Rgba> colours;
    for (const SimMesh& mesh : sampleMeshes)
        colours.push_back(mesh.gameColour);
    return colours;
}

// The game's frame with mesh `mesh` in `colour`.
std::vector<Rgba> frameWith(std::size_t mesh, Rgba colour) {
    std::vector<Rgba> frame = gameFrame();
    frame[mesh] = colour;
    return frame;
}

std::vector<std::uint8_t> codeBytes(const std::uint8_t* code) {
    return {code, code + 16};
}

class PluginInterception : public LoadedPlugin {
protected:
    void SetUp() override {
        LoadedPlugin::SetUp();
        ASSERT_EQ(game.failure(), "");
        original = codeBytes(game.drawIndexedCode());
    }

    // A replay is showing: the drawable tells the plugin.
    void enterReplay() {
        host->game().setInReplay(true);
        host->game().renderFrame();
    }

    // The hash that the last "[debug_models] <hash>" line named.
    MeshHash lastSelected() {
        const auto lines = console().logLines();
        for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
            if (line->rfind("[debug_models] ", 0) == 0)
                return std::stoull(line->substr(15), nullptr, 16);
        }
        return 0;
    }

    // ReShade's failure lines (level 1).
    std::vector<std::string> failureLines() { return reshade.logLinesAt(1); }

    DrawingGame game{sampleMeshes};
    std::vector<std::uint8_t> original;
};

} // namespace

TEST_F(PluginInterception, ListedMeshAndDebugModelsComeOutInTheirColoursUntilUnload) {
    const long long driverBefore = game.driverDraws();
    long long issued = 0;
    auto frame = [&] {
        issued += static_cast<long long>(sampleMeshes.size());
        return game.drawFrame();
    };
    EXPECT_EQ(frame(), gameFrame());

    load();
    // The first bytes of DrawIndexed now lead to the plugin.
    EXPECT_NE(codeBytes(game.drawIndexedCode()), original);
    EXPECT_EQ(frame(), gameFrame()) << "no replay: the draws are left alone";

    enterReplay();
    const MeshHash listed = hashOf(sampleMeshes[1].sizes);
    console().run(fmt::format("kivren_custom_pass_add {:x}", listed));
    console().run("kivren_custom_pass_preview 1");
    const Rgba flat = eightBit(autoColour(listed));
    // The first draw in a replay takes the device; the next frame is coloured.
    frame();
    EXPECT_EQ(frame(), frameWith(1, flat));
    EXPECT_EQ(frame(), frameWith(1, flat));

    // Debug-models mode: the drawn meshes are seen, then selected one by one.
    console().run("kivren_custom_pass_preview 0");
    console().run("kivren_debug_models 1");
    EXPECT_EQ(frame(), gameFrame());
    std::set<MeshHash> selected;
    const Rgba magenta{255, 0, 255, 255};
    for (std::size_t step = 0; step < sampleMeshes.size(); ++step) {
        console().run("kivren_debug_models_next");
        const MeshHash hash = lastSelected();
        selected.insert(hash);
        std::size_t mesh = sampleMeshes.size();
        for (std::size_t i = 0; i < sampleMeshes.size(); ++i)
            if (hashOf(sampleMeshes[i].sizes) == hash)
                mesh = i;
        ASSERT_LT(mesh, sampleMeshes.size()) << std::hex << hash << " was never drawn";
        EXPECT_EQ(frame(), frameWith(mesh, magenta)) << "step " << step;
    }
    EXPECT_EQ(selected.size(), sampleMeshes.size()) << "every drawn mesh is selected once";

    host->unloadPlugin();
    EXPECT_EQ(codeBytes(game.drawIndexedCode()), original);
    EXPECT_EQ(frame(), gameFrame());
    if (driverBefore >= 0) {
        EXPECT_EQ(game.driverDraws() - driverBefore, issued) << "every draw reached the driver";
    }
}

TEST_F(PluginInterception, SecondLoadInTheSameMappingLeavesTheDrawsAlone) {
    load();
    host->stopPlugin();
    EXPECT_EQ(codeBytes(game.drawIndexedCode()), original);
    EXPECT_EQ(failureLines(), std::vector<std::string>{}) << "a working interception says nothing";

    // onLoad again while the library stays mapped: the hook engine still
    // knows the target and refuses it, so nothing is patched, and the log
    // says why, once.
    host->startPlugin();
    EXPECT_EQ(codeBytes(game.drawIndexedCode()), original);
    EXPECT_EQ(failureLines(),
              std::vector<std::string>{"[Kivren] The ID pass cannot intercept draws: the hook "
                                       "on DrawIndexed was refused (status: AlreadyCreated, 3)"});
    enterReplay();
    console().run(fmt::format("kivren_custom_pass_add {:x}", hashOf(sampleMeshes[0].sizes)));
    console().run("kivren_custom_pass_preview 1");
    game.drawFrame();
    EXPECT_EQ(game.drawFrame(), gameFrame()) << "no draw reached the plugin";
    host->unloadPlugin();

    // A fresh mapping starts a fresh engine: the interception is back.
    load();
    EXPECT_NE(codeBytes(game.drawIndexedCode()), original);
    enterReplay();
    console().run(fmt::format("kivren_custom_pass_add {:x}", hashOf(sampleMeshes[0].sizes)));
    console().run("kivren_custom_pass_preview 1");
    game.drawFrame();
    EXPECT_EQ(game.drawFrame(), frameWith(0, eightBit(autoColour(hashOf(sampleMeshes[0].sizes)))));
    host->unloadPlugin();
    EXPECT_EQ(codeBytes(game.drawIndexedCode()), original);
}
