#pragma once
// The stand-in plugin host: it loads a plugin library exactly as the real host
// does (map it, read "exports", getPlugin, fill the two handles, onLoad) and
// unloads it again (onUnload, forget the plugin's registrations, deleteMe,
// unmap). Its folders live under one root folder of the caller's.

// The host's PluginSettingsWindow.h includes nothing of its own.
#include <cstdint>
#include <string>

#include "bakkesmod/plugin/PluginSettingsWindow.h"
#include "bakkesmod/plugin/bakkesmodplugin.h"
#include "plugin_library.h"
#include "sim_console.h"
#include "sim_game.h"

#include <filesystem>
#include <memory>
#include <string>

class SimHost {
public:
    // Data folder: root/data; host folder: root/bakkesmod (cfg files in its "cfg").
    explicit SimHost(const std::filesystem::path& root);
    ~SimHost();

    // Maps the library; false with a reason when it cannot be mapped or refuses.
    bool mapPlugin(const std::filesystem::path& library, std::string* error = nullptr);
    // getPlugin, the two handles, onLoad. The library must be mapped.
    void startPlugin();
    // mapPlugin then startPlugin.
    bool loadPlugin(const std::filesystem::path& library, std::string* error = nullptr);
    // onUnload, the plugin's registrations forgotten, deleteMe; the library stays mapped.
    void stopPlugin();
    // stopPlugin then unmap.
    void unloadPlugin();

    bool pluginMapped() const { return library_ != nullptr; }
    PluginLibrary* library() const { return library_.get(); }
    std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin> plugin() const { return plugin_; }
    BakkesMod::Plugin::PluginSettingsWindow* settingsWindow() const;

    SimConsole& console() { return *console_; }
    SimGame& game() { return *game_; }
    const std::filesystem::path& dataFolder() const { return dataFolder_; }
    const std::filesystem::path& bakkesModPath() const { return bakkesModPath_; }
    std::filesystem::path cfgFolder() const { return bakkesModPath_ / "cfg"; }

    // The built plugin beside the running program.
    static std::filesystem::path builtPlugin();

private:
    std::filesystem::path dataFolder_;
    std::filesystem::path bakkesModPath_;
    std::shared_ptr<SimConsole> console_;
    std::shared_ptr<SimGame> game_;
    std::unique_ptr<PluginLibrary> library_;
    std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin> plugin_;
};
