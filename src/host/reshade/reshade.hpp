#pragma once
// ReShade's add-on events and the four exports of its module.

#include "../module_handle.h"
#include "reshade_api.hpp"

#include <cstdint>

namespace reshade {

// Numbered as in add-on API version 4.
enum class addon_event : std::uint32_t {
    reshade_present = 75,
    reshade_begin_effects = 76,
    reshade_finish_effects = 77,
};

using present_callback = void (*)(api::effect_runtime* runtime);
using effects_callback = void (*)(api::effect_runtime* runtime, api::command_list* cmd_list,
                                  api::resource_view rtv, api::resource_view rtv_srgb);

constexpr std::uint32_t addonApiVersion = 4;

namespace log {
enum class level : int { error = 1, warning = 2, info = 3, debug = 4 };
}

} // namespace reshade

// Signatures of the exports of ReShade's module, looked up at run time.
using ReShadeRegisterAddonFn = bool (*)(HMODULE module, std::uint32_t api_version);
using ReShadeUnregisterAddonFn = void (*)(HMODULE module);
using ReShadeRegisterEventFn = void (*)(reshade::addon_event ev, void* callback);
using ReShadeLogMessageFn = void (*)(HMODULE module, int level, const char* message);
