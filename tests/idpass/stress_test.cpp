// Draws on one thread, commands on a second and the settings page's list on
// a third, as in the game. The stand-in objects notice any use of a released
// shader or buffer; the sanitizers notice races on memory.
#include "plugin_rig.h"

#include <atomic>
#include <thread>

TEST(IdPassStress, DrawsCommandsAndListCopiesTogether) {
    PluginRig rig;
    rig.plugin.registerConsoleCommands();
    rig.plugin.settings().setSwitch(Switch::DebugModels, true);
    rig.plugin.settings().setSwitch(Switch::CustomPassPreview, true);
    rig.plugin.setInReplay(true);
    rig.plugin.debugModels().select(workedKey);
    const MeshKey listedKey{24, 2048, 1024, 256};
    rig.draw(workedKey); // takes the device, so that every later change compiles
    static_cast<SimDeviceContext*>(rig.context)->slowBinds(true);

    std::atomic<bool> drawing{true};
    std::atomic<int> bindsSeen{0};
    std::thread render([&] {
        // The selection and a listed mesh take turns, so that the context
        // mostly holds an ID shader while the highlight is being replaced.
        for (int i = 0; drawing.load(); ++i) {
            rig.draw(i % 2 ? listedKey : workedKey);
            bindsSeen += rig.bound() != nullptr;
        }
    });
    std::thread settingsPage([&] {
        for (int i = 0; i < 3000; ++i) {
            for (const IdPassEntry& entry : rig.plugin.idPass().entries())
                rig.plugin.idPass().setColour(entry.hash, {entry.g, entry.b, entry.r});
        }
    });

    const char* colours[] = {"#ff0000", "#00ff00", "#0000ff", "#ffffff"};
    for (int i = 0; i < 3000; ++i) {
        rig.console->run(std::string("kivren_custom_pass_color ") + colours[i % 4]);
        rig.console->run("kivren_custom_pass_add 4dc13974d71cc7a7");
        rig.console->run(i % 2 ? "kivren_debug_models_next" : "kivren_debug_models_prev");
        rig.console->run("kivren_debug_models_add");
        rig.console->run(fmt::format("kivren_custom_pass_add {:x}", hashMeshKey(listedKey)));
        if (i % 100 == 0)
            rig.console->run("kivren_custom_pass_save stress");
        if (i % 7 == 0)
            rig.console->run("kivren_custom_pass_clear");
    }
    settingsPage.join();
    drawing = false;
    render.join();

    EXPECT_GT(bindsSeen.load(), 0);
    EXPECT_EQ(simd3d::misuseCount(), 0u) << simd3d::firstMisuse();
    // The pass ends with what the last commands left, each with a shader.
    const auto shaders = rig.plugin.idPass().shaders();
    for (MeshHash hash : rig.plugin.idPass().meshes())
        EXPECT_NE(shaders.at(hash), nullptr);
}
