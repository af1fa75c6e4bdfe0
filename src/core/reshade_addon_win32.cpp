// The add-on's registration through reshade.hpp itself. No Dear ImGui header
// may be read before it in this file: with IMGUI_VERSION_NUM defined,
// register_addon would also ask ReShade for a table of its own Dear ImGui, and
// refuse the add-on without one; the plugin draws with the host's Dear ImGui,
// never ReShade's.
#include "core/reshade_addon.h"

#if defined(IMGUI_VERSION_NUM)
#error "reshade.hpp must not see Dear ImGui: it would ask ReShade for its own ImGui"
#endif
#include <reshade.hpp>

bool registerAddon(HMODULE self) noexcept {
    return reshade::register_addon(self);
}

void registerEvents(PresentHandler present, BeginEffectsHandler beginEffects,
                    FinishEffectsHandler finishEffects) noexcept {
    reshade::register_event<reshade::addon_event::reshade_present>(present);
    reshade::register_event<reshade::addon_event::reshade_begin_effects>(beginEffects);
    reshade::register_event<reshade::addon_event::reshade_finish_effects>(finishEffects);
}

void unregisterAddon(HMODULE self) noexcept {
    reshade::unregister_addon(self);
}

void logMessage(int level, const char* text) noexcept {
    // log_message calls what its first call looked up, unchecked: it must
    // not run before ReShade's module is known.
    if (reshade::internal::get_reshade_module_handle())
        reshade::log_message(level, text);
}
