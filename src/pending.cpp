// Operations whose subsystems are still being built. Each is replaced by its
// real implementation in the subsystem's own folder.
#include "core/kivren.h"

#include <imgui.h>

MeshHash hashMeshKey(const MeshKey&) noexcept { return 0; }

void Kivren::drawSettingsPage() {}
std::string Kivren::settingsPageTitle() { return "Kivren 2.0"; }
void Kivren::adoptUiContext(std::uintptr_t ctx) {
    ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(ctx));
}

void Kivren::updateEffectsEnabled(reshade::api::effect_runtime* runtime) {
    effectsEnabled.exchange(runtime->get_effects_state());
}
void Kivren::captureCustomPass(reshade::api::effect_runtime*, reshade::api::resource_view) {}
void Kivren::processFrame(reshade::api::effect_runtime*, reshade::api::resource_view) {}
void Kivren::sampleFrame(CanvasWrapper) {}
void Kivren::onDrawIndexed(ID3D11DeviceContext*) {}

void Kivren::stepDebugModel(bool) {}
void Kivren::addSelectedMesh() {}
void Kivren::addMeshHash(const std::string&) {}
void Kivren::saveIdPass(const std::string&) {}
void Kivren::setHighlightFromWord(const std::string&) {}
void Kivren::clearIdPass() {}

void Kivren::installInterception() {}
void Kivren::removeInterception() {}
