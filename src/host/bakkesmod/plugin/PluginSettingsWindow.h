#pragma once
// The host's settings-menu page interface. Like the host's own header, this
// one includes nothing: a plugin includes <string> and <cstdint> first.

namespace BakkesMod::Plugin {

class PluginSettingsWindow {
public:
    virtual ~PluginSettingsWindow() = default;
    // Called once per interface frame while the page is shown.
    virtual void RenderSettings() = 0;
    virtual std::string GetPluginName() = 0;
    // The host's Dear ImGui context, as a pointer-sized integer.
    virtual void SetImGuiContext(uintptr_t ctx) = 0;
};

} // namespace BakkesMod::Plugin
