#include "reshade_module.h"

#include "plugin_library.h"

#include <sstream>
#include <stdexcept>

StandInReShade& StandInReShade::instance() {
    // Never unloaded: the plugin remembers ReShade's exports for the life of
    // the process, as it may with the real ReShade.
    static StandInReShade* module = new StandInReShade();
    return *module;
}

StandInReShade::StandInReShade() {
    std::string error;
    module_ = PluginLibrary::load(executableFolder() / libraryFileName("ReShade64"), &error);
    if (!module_)
        throw std::runtime_error("cannot load the stand-in ReShade module: " + error);
    reset_ = reinterpret_cast<SimReShadeResetFn>(module_->symbol("simReShadeReset"));
    refuse_ = reinterpret_cast<SimReShadeRefuseAddonsFn>(module_->symbol("simReShadeRefuseAddons"));
    journal_ = reinterpret_cast<SimReShadeJournalFn>(module_->symbol("simReShadeJournal"));
    fire_ = reinterpret_cast<SimReShadeFireFn>(module_->symbol("simReShadeFire"));
    if (!reset_ || !refuse_ || !journal_ || !fire_)
        throw std::runtime_error("the stand-in ReShade module lacks its control exports");
}

void StandInReShade::reset() {
    reset_();
}
void StandInReShade::refuseAddons(bool refuse) {
    refuse_(refuse ? 1 : 0);
}

std::vector<std::string> StandInReShade::journal() const {
    std::string text(journal_(nullptr, 0) + 1, '\0');
    text.resize(journal_(text.data(), text.size()));
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> StandInReShade::logLines() const {
    std::vector<std::string> lines;
    for (const std::string& entry : journal()) {
        if (entry.rfind("log ", 0) == 0)
            lines.push_back(entry.substr(4));
    }
    return lines;
}

std::vector<std::string> StandInReShade::logLinesAt(int level) const {
    const std::string prefix = std::to_string(level) + " ";
    std::vector<std::string> lines;
    for (const std::string& line : logLines()) {
        if (line.rfind(prefix, 0) == 0)
            lines.push_back(line.substr(prefix.size()));
    }
    return lines;
}

int StandInReShade::firePresent(reshade::api::effect_runtime* runtime) {
    return fire_(75, runtime, nullptr, 0, 0);
}
int StandInReShade::fireBeginEffects(reshade::api::effect_runtime* runtime,
                                     reshade::api::command_list* list, std::uint64_t rtv) {
    return fire_(76, runtime, list, rtv, 0);
}
int StandInReShade::fireFinishEffects(reshade::api::effect_runtime* runtime,
                                      reshade::api::command_list* list, std::uint64_t rtv) {
    return fire_(77, runtime, list, rtv, 0);
}
