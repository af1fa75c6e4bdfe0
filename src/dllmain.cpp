// What the host and ReShade see of the library: the exported plugin record,
// getPlugin and deleteMe, and the registration with ReShade.
#include "dllmain.h"

#include "core/host_guard.h"
#include "core/kivren.h"
#include "core/plugin_instance.h"
#include "core/reshade_addon.h"

#define KIVREN_EXPORT extern "C" BAKKESMOD_PLUGIN_EXPORT

namespace {
const char pluginName[] = "Kivren2";
}

KIVREN_EXPORT uintptr_t getPlugin();
KIVREN_EXPORT void deleteMe();

// Data definitions sit in a linkage block: "extern" with an initialiser
// would only declare them.
extern "C" {
BAKKESMOD_PLUGIN_EXPORT BakkesMod::Plugin::PluginInfo exports = {
    BAKKESMOD_PLUGIN_API_VERSION, "src/dllmain.cpp", "Kivren",  pluginName, "2.0.0",
    PLUGINTYPE_FREEPLAY,          &getPlugin,        &deleteMe,
};
BAKKESMOD_PLUGIN_EXPORT const char* NAME = pluginName;
BAKKESMOD_PLUGIN_EXPORT const char* DESCRIPTION =
    "Kivren2 is a plugin for bakkesmod that allows you to record multiple passes (screen, "
    "depth map, normal map and a custom pass) and the camera. This ensures that they are "
    "lined up properly without having to re-record.";
}

KIVREN_EXPORT uintptr_t getPlugin() {
    try {
        createPluginInstance();
    } catch (...) {
        // Out of memory: the host gets an empty owner and loads nothing.
    }
    return reinterpret_cast<uintptr_t>(&pluginInstance);
}

KIVREN_EXPORT void deleteMe() {
    releasePluginInstance();
}

namespace {

// ReShade calls these on the thread that presents frames. Each takes a share
// of the object, so that an event arriving while (or after) the host deletes
// the object finds either a live object or none.
void onPresent(reshade::api::effect_runtime* runtime) {
    if (auto plugin = acquirePluginInstance())
        guardHostCall(*plugin, "reshade_present", [&] { plugin->updateEffectsEnabled(runtime); });
}

void onBeginEffects(reshade::api::effect_runtime* runtime, reshade::api::command_list*,
                    reshade::api::resource_view rtv, reshade::api::resource_view) {
    if (auto plugin = acquirePluginInstance())
        guardHostCall(*plugin, "reshade_begin_effects",
                      [&] { plugin->captureCustomPass(runtime, rtv); });
}

void onFinishEffects(reshade::api::effect_runtime* runtime, reshade::api::command_list*,
                     reshade::api::resource_view rtv, reshade::api::resource_view) {
    if (auto plugin = acquirePluginInstance())
        guardHostCall(*plugin, "reshade_finish_effects",
                      [&] { plugin->processFrame(runtime, rtv); });
}

} // namespace

bool libraryAttach(HMODULE self) noexcept {
    if (!registerAddon(self))
        return false;
    registerEvents(&onPresent, &onBeginEffects, &onFinishEffects);
    return true;
}

void libraryDetach(HMODULE self) noexcept {
    unregisterAddon(self);
}
