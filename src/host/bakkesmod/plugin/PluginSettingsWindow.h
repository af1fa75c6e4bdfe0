#pragma once
// The host's settings-menu page interface.

#include <cstdint>
#include <string>

namespace BakkesMod::Plugin {

class PluginSettingsWindow {
public:
    virtual ~PluginSettingsWindow() = default;
    // Called once per interface frame while the page is shown.
    virtual void drawSettingsPage() = 0;
    virtual std::string settingsPageTitle() = 0;
    // The host's Dear ImGui context, as a pointer-sized integer.
    virtual void adoptUiContext(std::uintptr_t ctx) = 0;
};

} // namespace BakkesMod::Plugin
