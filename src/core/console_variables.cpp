// The console variables and the handler that keeps settings.cfg current.
#include "core/host_guard.h"
#include "core/kivren.h"
#include "core/settings_file.h"

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

void Kivren::registerConsoleVariables() {
    const Variable variables[] = {
        {"kivren_path", "C:\\Kivren", "Path to save recordings to", false, 0, false, 0,
         &recordPath},
        {"kivren_name", "video", "Name of the recording", false, 0, false, 0, &recordName},
        {"kivren_depth", "1", "Record depth map", true, 0, true, 1, &recordDepth},
        {"kivren_normal", "0", "Record normal map", true, 0, true, 1, &recordNormal},
        {"kivren_custom_pass", "0", "Record custom/ID pass", true, 0, true, 1, &recordCustomPass},
        {"kivren_custom_pass_preview", "0", "Preview custom/ID pass in-game", true, 0, true, 1,
         &previewCustomPass},
        {"kivren_frame_data", "1", "Record camera, cars and ball data", true, 0, true, 1,
         &recordFrameData},
        {"kivren_debug_models", "0", "Debug models mode", true, 0, true, 1, &debugModelsMode},
        {"kivren_fps", "30", "Video framerate", true, 1, true, 999, &videoFps},
        {"kivren_ffmpeg_path", "ffmpeg", "Path to ffmpeg.exe", false, 0, false, 0, &ffmpegPath},
        {"kivren_custom_pass_444", "0", "Record the ID pass in ProRes 4444", true, 0, true, 1,
         &recordCustomPass444},
    };
    for (const Variable& v : variables) {
        CVarWrapper cvar = cvarManager->registerCvar(v.name, v.defaultValue, v.description, true,
                                                     v.hasMin, v.min, v.hasMax, v.max, true);
        // The host writes each new value straight into the bound shared value.
        std::visit([&cvar](auto* member) { cvar.bindTo(*member); }, v.member);
    }

    for (const char* persisted : persistedSettings) {
        CVarWrapper cvar = cvarManager->getCvar(persisted);
        TextSetting which{};
        TextSettings::fromVariableName(persisted, which);
        // bindTo has just written the variable's current value (the host may
        // remember one from an earlier load of the plugin).
        textSettings.publish(which, cvar.getStringValue());
        cvar.addOnValueChanged(
            [this](std::string, CVarWrapper changed) { settingsChanged(changed); });
    }
}

// The host has written the new value into the bound string on this thread;
// the other threads see it once it is published.
void Kivren::settingsChanged(CVarWrapper cvar) {
    guardHostCall(*this, "saveSettings", [this, &cvar] {
        TextSetting which{};
        if (TextSettings::fromVariableName(cvar.getCVarName(), which))
            textSettings.publish(which, cvar.getStringValue());
        saveSettings();
    });
}
