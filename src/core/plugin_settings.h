#pragma once
// The plugin's settings: the values bound to its console variables, which the
// host writes in place on its own thread, the text settings as every other
// thread reads them, and what settings.cfg last kept.

#include "bakkesmod/wrappers/cvarmanagerwrapper.h"
#include "bakkesmod/wrappers/cvarwrapper.h"
#include "core/text_settings.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

// The on/off variables. Each is a single value that the host writes whole,
// read as it stands.
enum class Switch {
    Depth,             // kivren_depth
    Normal,            // kivren_normal
    CustomPass,        // kivren_custom_pass
    CustomPassPreview, // kivren_custom_pass_preview
    FrameData,         // kivren_frame_data
    DebugModels,       // kivren_debug_models
    // The ID pass in ProRes 4444 (clean matte edges); off keeps every
    // command line as it was.
    CustomPass444, // kivren_custom_pass_444
};
inline constexpr std::size_t switchCount = 7;

class PluginSettings {
public:
    using Say = std::function<void(const std::string& line)>;

    // The variables' defaults.
    PluginSettings() { resetToDefaults(); }
    PluginSettings(const PluginSettings&) = delete;
    PluginSettings& operator=(const PluginSettings&) = delete;

    // Host's thread, before the variables are registered.
    void resetToDefaults();
    // Registers every variable and binds it to its value; changed runs on
    // the host's thread after each change of a text setting.
    void registerVariables(CVarManagerWrapper& cvars,
                           const std::function<void(CVarWrapper)>& changed);
    // The host has written a text setting's new value: the other threads see
    // it from now on. False for a variable that is no text setting.
    bool publish(CVarWrapper& cvar);

    bool isOn(Switch which) const { return *switches_[static_cast<std::size_t>(which)]; }
    std::int32_t fps() const { return *fps_; }
    // The value as the host bound it; read on the host's thread only.
    const std::string& boundText(TextSetting which) const {
        return *texts_[static_cast<std::size_t>(which)];
    }
    // Any thread: the latest published value.
    std::string text(TextSetting which) const { return published_.value(which); }
    std::shared_ptr<const std::string> shownText(TextSetting which) const {
        return published_.get(which);
    }
    // The settings page's slider writes the bound value itself.
    std::int32_t* fpsValue() { return fps_.get(); }
    // As the host's variable would (for tests that build parts).
    void setSwitch(Switch which, bool on) { *switches_[static_cast<std::size_t>(which)] = on; }

    // Writes settings.cfg into the folder (made when missing) with the text
    // settings that it can keep; a value it cannot keep is said once, and
    // the file keeps the last one it could. Saves may come from two host
    // threads: one writes at a time.
    void saveFile(const std::filesystem::path& folder, const Say& say);

private:
    std::array<std::shared_ptr<bool>, switchCount> switches_;
    std::shared_ptr<std::int32_t> fps_;
    // Read only through published_, which the change handler keeps current.
    std::array<std::shared_ptr<std::string>, 3> texts_;
    TextSettings published_;

    std::mutex fileMutex_;
    std::array<std::string, 3> savedValues_;   // under fileMutex_: what the file's lines hold
    std::array<std::string, 3> refusedValues_; // under fileMutex_: unsavable values already said
};
