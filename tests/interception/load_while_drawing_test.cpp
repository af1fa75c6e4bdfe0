// The game draws on its own render thread without pause while the host thread
// loads and unloads the plugin again and again, each time listing a mesh and
// turning on the preview: no crash, every draw reaches the driver, frames are
// coloured while the plugin is in, and no frame drawn wholly after an unload
// is coloured.
#include "drawing_game.h"
#include "formats/mesh_identity.h"
#include "loaded_plugin.h"

#include <fmt/format.h>

#include <atomic>
#include <thread>

namespace {

constexpr int loadCycles = 12;
// Upper bound on waiting for the render thread, in frames of the host's own
// polling; far more than a coloured frame ever needs.
constexpr long long patienceFrames = 20'000'000;

class LoadWhileDrawing : public LoadedPlugin {};

} // namespace

TEST_F(LoadWhileDrawing, NoCrashNoLostDrawNoColourAfterUnload) {
    std::atomic<bool> stop{false};
    // Odd while the plugin may be in (from just before its load to just
    // after its onUnload), even while it is certainly out.
    std::atomic<int> phase{0};
    std::atomic<long long> colouredFrames{0};
    std::atomic<long long> colouredAfterUnload{0};
    std::atomic<long long> frames{0};
    std::atomic<long long> issued{0};
    std::atomic<long long> lost{0};
    std::string failure;

    std::thread render([&] {
        DrawingGame game{sampleMeshes};
        failure = game.failure();
        if (!failure.empty()) {
            stop = true;
            return;
        }
        const long long driverBefore = game.driverDraws();
        while (!stop.load()) {
            const int before = phase.load();
            const auto colours = game.drawFrame();
            const int after = phase.load();
            issued += static_cast<long long>(sampleMeshes.size());
            bool coloured = false;
            for (std::size_t i = 0; i < colours.size(); ++i)
                coloured |= colours[i] != sampleMeshes[i].gameColour;
            if (coloured)
                ++colouredFrames;
            if (coloured && before == after && before % 2 == 0)
                ++colouredAfterUnload;
            ++frames;
        }
        if (driverBefore >= 0)
            lost = issued.load() - (game.driverDraws() - driverBefore);
    });

    const MeshSizes& sizes = sampleMeshes[2].sizes;
    const MeshHash listed =
        hashMeshKey({sizes.stride, sizes.vertexBytes, sizes.indexBytes, sizes.constantBytes});
    for (int cycle = 0; cycle < loadCycles && !stop.load(); ++cycle) {
        ++phase;
        load();
        host->game().setInReplay(true);
        host->game().renderFrame();
        console().run(fmt::format("kivren_custom_pass_add {:x}", listed));
        console().run("kivren_custom_pass_preview 1");
        // Wait until the render thread has shown a coloured frame of this load.
        const long long seen = colouredFrames.load();
        for (long long wait = 0; colouredFrames.load() == seen && wait < patienceFrames; ++wait)
            std::this_thread::yield();
        EXPECT_GT(colouredFrames.load(), seen) << "cycle " << cycle << ": never coloured";
        host->stopPlugin();
        ++phase;
        // The library goes at once, while the render thread draws on.
        host->unloadPlugin();
    }
    stop = true;
    render.join();

    ASSERT_EQ(failure, "");
    EXPECT_EQ(colouredAfterUnload.load(), 0);
    EXPECT_EQ(lost.load(), 0);
    EXPECT_GT(frames.load(), loadCycles);
}
