// Time per interface frame of the settings page, with the ID pass header open
// and 0 or 500 meshes listed: the page runs inside the host's menu at the
// host's frame rate, so it must stay far below a millisecond.
#include "reshade_module.h"
#include "settings_menu.h"
#include "sim_host.h"

#include <benchmark/benchmark.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <filesystem>

namespace {

void pageFrame(benchmark::State& state) {
    StandInReShade::instance().reset();
    const auto root = std::filesystem::temp_directory_path() / "kivren-bench-ui";
    SimHost host(root);
    if (!host.loadPlugin(SimHost::builtPlugin())) {
        state.SkipWithError("cannot load the plugin");
        return;
    }
    for (int i = 0; i < state.range(0); ++i)
        host.console().run("kivren_custom_pass_add " + std::to_string(1000 + i));
    {
        SettingsMenu menu(host, 720.0f, 900.0f);
        menu.captureText(false);
        menu.frame();
        ImGuiWindow* page = menu.window();
        page->StateStorage.SetInt(page->GetID("ID Pass  (Cryptomatte-style)"), 1);
        for (auto _ : state)
            menu.frame();
    }
    host.unloadPlugin();
    std::filesystem::remove_all(root);
}

} // namespace

BENCHMARK(pageFrame)->Arg(0)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
