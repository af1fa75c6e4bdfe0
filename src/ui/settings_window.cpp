// The host's settings-window slots, by the host's names, and the page's own
// functions behind them.
#include "core/kivren.h"

void Kivren::RenderSettings() {
    drawSettingsPage();
}

std::string Kivren::GetPluginName() {
    return settingsPageTitle();
}

void Kivren::SetImGuiContext(uintptr_t ctx) {
    adoptUiContext(ctx);
}
