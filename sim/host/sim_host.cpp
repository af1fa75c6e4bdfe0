#include "sim_host.h"

#include "sdk_handles.h"

#include <stdexcept>

SimHost::SimHost(const std::filesystem::path& root)
    : dataFolder_(root / "data"), bakkesModPath_(root / "bakkesmod") {
    std::filesystem::create_directories(dataFolder_);
    std::filesystem::create_directories(bakkesModPath_ / "cfg");
    console_ = std::make_shared<SimConsole>(bakkesModPath_ / "cfg");
    game_ = std::make_shared<SimGame>(dataFolder_, bakkesModPath_);
}

SimHost::~SimHost() {
    if (library_)
        unloadPlugin();
}

std::filesystem::path SimHost::builtPlugin() {
    return executableFolder() / libraryFileName("Kivren2");
}

bool SimHost::mapPlugin(const std::filesystem::path& library, std::string* error) {
    if (library_)
        throw std::logic_error("a plugin is already loaded");
    library_ = PluginLibrary::load(library, error);
    return library_ != nullptr;
}

void SimHost::startPlugin() {
    using BakkesMod::Plugin::BakkesModPlugin;
    using BakkesMod::Plugin::PluginInfo;
    const auto* info = static_cast<const PluginInfo*>(library_->symbol("exports"));
    if (!info || !info->initializeFunc)
        throw std::runtime_error("the library exports no plugin record");
    // getPlugin hands out the address of the plugin's own shared owner; the
    // host keeps a share of its own.
    plugin_ = *reinterpret_cast<std::shared_ptr<BakkesModPlugin>*>(info->initializeFunc());
    if (!plugin_)
        throw std::runtime_error("getPlugin gave no plugin");
    plugin_->cvarManager = makeCVarManagerWrapper(console_);
    plugin_->gameWrapper = makeGameWrapper(game_);
    plugin_->onLoad();
}

bool SimHost::loadPlugin(const std::filesystem::path& library, std::string* error) {
    if (!mapPlugin(library, error))
        return false;
    startPlugin();
    return true;
}

void SimHost::stopPlugin() {
    if (!plugin_)
        return;
    using BakkesMod::Plugin::PluginInfo;
    plugin_->onUnload();
    // The plugin's handlers go while its code is still mapped.
    game_->unregisterDrawables();
    console_->removeAll();
    const auto* info = static_cast<const PluginInfo*>(library_->symbol("exports"));
    info->delFunc();
    plugin_.reset();
}

void SimHost::unloadPlugin() {
    if (!library_)
        return;
    stopPlugin();
    library_.reset();
}

BakkesMod::Plugin::PluginSettingsWindow* SimHost::settingsWindow() const {
    return dynamic_cast<BakkesMod::Plugin::PluginSettingsWindow*>(plugin_.get());
}
