// The console variables, their bound values, and the handler that keeps
// settings.cfg current.
#include "core/host_guard.h"
#include "core/kivren.h"
#include "core/plugin_settings.h"
#include "formats/settings_file.h"

#include <variant>

namespace {

using Binding = std::variant<std::shared_ptr<std::string>*, std::shared_ptr<bool>*,
                             std::shared_ptr<std::int32_t>*>;

struct Variable {
    const char* name;
    const char* defaultValue;
    const char* description;
    bool hasMin;
    float min;
    bool hasMax;
    float max;
    Binding member;
};

} // namespace

void PluginSettings::resetToDefaults() {
    texts_ = {std::make_shared<std::string>("C:\\Kivren"), std::make_shared<std::string>("video"),
              std::make_shared<std::string>("ffmpeg")};
    const bool defaults[switchCount] = {true, false, false, false, true, false, false};
    for (std::size_t i = 0; i < switchCount; ++i)
        switches_[i] = std::make_shared<bool>(defaults[i]);
    fps_ = std::make_shared<std::int32_t>(30);
    for (std::size_t i = 0; i < texts_.size(); ++i)
        published_.publish(static_cast<TextSetting>(i), *texts_[i]);
    std::lock_guard lock(fileMutex_);
    savedValues_ = {*texts_[0], *texts_[1], *texts_[2]};
    refusedValues_ = {};
}

void PluginSettings::registerVariables(CVarManagerWrapper& cvars,
                                       const std::function<void(CVarWrapper)>& changed) {
    auto on = [this](Switch which) { return &switches_[static_cast<std::size_t>(which)]; };
    auto text = [this](TextSetting which) { return &texts_[static_cast<std::size_t>(which)]; };
    const Variable variables[] = {
        {"kivren_path", "C:\\Kivren", "Path to save recordings to", false, 0, false, 0,
         text(TextSetting::Path)},
        {"kivren_name", "video", "Name of the recording", false, 0, false, 0,
         text(TextSetting::Name)},
        {"kivren_depth", "1", "Record depth map", true, 0, true, 1, on(Switch::Depth)},
        {"kivren_normal", "0", "Record normal map", true, 0, true, 1, on(Switch::Normal)},
        {"kivren_custom_pass", "0", "Record custom/ID pass", true, 0, true, 1,
         on(Switch::CustomPass)},
        {"kivren_custom_pass_preview", "0", "Preview custom/ID pass in-game", true, 0, true, 1,
         on(Switch::CustomPassPreview)},
        {"kivren_frame_data", "1", "Record camera, cars and ball data", true, 0, true, 1,
         on(Switch::FrameData)},
        {"kivren_debug_models", "0", "Debug models mode", true, 0, true, 1,
         on(Switch::DebugModels)},
        {"kivren_fps", "30", "Video framerate", true, 1, true, 999, &fps_},
        {"kivren_ffmpeg_path", "ffmpeg", "Path to ffmpeg.exe", false, 0, false, 0,
         text(TextSetting::Ffmpeg)},
        {"kivren_custom_pass_444", "0", "Record the ID pass in ProRes 4444", true, 0, true, 1,
         on(Switch::CustomPass444)},
    };
    for (const Variable& v : variables) {
        CVarWrapper cvar = cvars.registerCvar(v.name, v.defaultValue, v.description, true, v.hasMin,
                                              v.min, v.hasMax, v.max, true);
        // The host writes each new value straight into the bound shared value.
        std::visit([&cvar](auto* member) { cvar.bindTo(*member); }, v.member);
    }

    for (const char* persisted : persistedSettings) {
        CVarWrapper cvar = cvars.getCvar(persisted);
        TextSetting which{};
        TextSettings::fromVariableName(persisted, which);
        // bindTo has just written the variable's current value (the host may
        // remember one from an earlier load of the plugin).
        published_.publish(which, cvar.getStringValue());
        cvar.addOnValueChanged([changed](std::string, CVarWrapper variable) { changed(variable); });
    }
}

// The host has written the new value into the bound string on this thread;
// the other threads see it once it is published.
bool PluginSettings::publish(CVarWrapper& cvar) {
    TextSetting which{};
    if (!TextSettings::fromVariableName(cvar.getCVarName(), which))
        return false;
    published_.publish(which, cvar.getStringValue());
    return true;
}

void Kivren::registerConsoleVariables() {
    settings_.registerVariables(*cvarManager,
                                [this](CVarWrapper changed) { settingsChanged(changed); });
}

void Kivren::settingsChanged(CVarWrapper cvar) {
    guardHostCall(*this, "saveSettings", [this, &cvar] {
        settings_.publish(cvar);
        saveSettings();
    });
}
