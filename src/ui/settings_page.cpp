// The plugin's page in the host's settings menu.
#include "core/kivren.h"

#include <imgui.h>

std::string Kivren::settingsPageTitle() {
    return "Kivren 2.0";
}

void Kivren::adoptUiContext(std::uintptr_t ctx) {
    ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(ctx));
}

void Kivren::drawSettingsPage() {}
