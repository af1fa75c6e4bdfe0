// ReShade's event registrations outlive the plugin object: events that arrive
// while the host creates, loads, unloads and deletes it must find either a
// live object or none, never freed memory (run under AddressSanitizer).
#include "loaded_plugin.h"
#include "minimal_runtime.h"

#include <atomic>
#include <thread>

using LifecycleStress = LoadedPlugin;

TEST_F(LifecycleStress, EventsDuringLoadUnloadCyclesNeverReachAFreedObject) {
    std::string error;
    ASSERT_TRUE(host->mapPlugin(SimHost::builtPlugin(), &error)) << error;

    MinimalRuntime runtime;
    std::atomic<bool> done{false};
    std::atomic<long> delivered{0};
    std::thread presenter([&] {
        bool effects = false;
        while (!done.load()) {
            runtime.effectsOn = effects = !effects;
            delivered += reshade.firePresent(&runtime);
            delivered += reshade.fireBeginEffects(&runtime, nullptr, 1);
            delivered += reshade.fireFinishEffects(&runtime, nullptr, 1);
        }
    });

    constexpr int cycles = 200;
    for (int i = 0; i < cycles; ++i) {
        host->startPlugin();
        host->game().setInReplay(i % 2 == 0);
        console().run("kivren_start");
        host->stopPlugin();
    }
    done = true;
    presenter.join();
    EXPECT_GT(delivered.load(), 0);
    EXPECT_FALSE(host->plugin());
}
