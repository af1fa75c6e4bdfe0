#pragma once
// The stand-in ReShade module as the test and the main job drive it: loaded
// once for the life of the process (ReShade outlives every add-on), reset
// between runs, and able to fire its events into what was registered.

#include "../reshade/stand_in_reshade.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class PluginLibrary;

class StandInReShade {
public:
    // Loads the module from beside the program on first use.
    static StandInReShade& instance();

    void reset();
    void refuseAddons(bool refuse);
    // One entry per call: "register_addon 4", "register_event 75", "log 3 <text>", ...
    std::vector<std::string> journal() const;
    // The "log <level> <text>" entries only, as "<level> <text>".
    std::vector<std::string> logLines() const;
    // The texts of the entries at one level (1 failures, 3 news, 4 details).
    std::vector<std::string> logLinesAt(int level) const;

    int firePresent(reshade::api::effect_runtime* runtime);
    int fireBeginEffects(reshade::api::effect_runtime* runtime, reshade::api::command_list* list,
                         std::uint64_t rtv);
    int fireFinishEffects(reshade::api::effect_runtime* runtime, reshade::api::command_list* list,
                          std::uint64_t rtv);

private:
    StandInReShade();
    std::unique_ptr<PluginLibrary> module_;
    SimReShadeResetFn reset_ = nullptr;
    SimReShadeRefuseAddonsFn refuse_ = nullptr;
    SimReShadeJournalFn journal_ = nullptr;
    SimReShadeFireFn fire_ = nullptr;
};
