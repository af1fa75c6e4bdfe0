// A stand-in for ReShade's module: it accepts add-ons, keeps their event
// handlers, fires events into them on request and keeps a journal of every
// call and log line, so that tests see exactly what the plugin asked of it.
#include "stand_in_reshade.h"

#include "module_handle.h"

#include <reshade_events.hpp>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

using PresentHandler = reshade::addon_event_traits<reshade::addon_event::reshade_present>::decl;
// Events 76 and 77 take the same arguments.
using EffectsHandler =
    reshade::addon_event_traits<reshade::addon_event::reshade_finish_effects>::decl;

struct Handler {
    HMODULE addon;
    std::uint32_t event;
    void* callback;
};

struct State {
    std::mutex mutex;
    std::vector<HMODULE> addons;
    std::vector<Handler> handlers;
    std::string journal;
    bool refuse = false;
};

State& state() {
    static State s;
    return s;
}

void note(State& s, const std::string& line) {
    s.journal += line;
    s.journal += '\n';
}

} // namespace

SIM_RESHADE_EXPORT bool ReShadeRegisterAddon(HMODULE module, std::uint32_t apiVersion) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    note(s, "register_addon " + std::to_string(apiVersion));
    if (s.refuse)
        return false;
    s.addons.push_back(module);
    return true;
}

SIM_RESHADE_EXPORT void ReShadeUnregisterAddon(HMODULE module) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    note(s, "unregister_addon");
    std::erase(s.addons, module);
    std::erase_if(s.handlers, [module](const Handler& h) { return h.addon == module; });
}

// Like ReShade, the handler belongs to the add-on that registered last.
SIM_RESHADE_EXPORT void ReShadeRegisterEvent(reshade::addon_event event, void* callback) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    const auto number = static_cast<std::uint32_t>(event);
    note(s, "register_event " + std::to_string(number));
    HMODULE owner = s.addons.empty() ? nullptr : s.addons.back();
    s.handlers.push_back({owner, number, callback});
}

SIM_RESHADE_EXPORT void ReShadeLogMessage(HMODULE, int level, const char* message) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    note(s, "log " + std::to_string(level) + " " + (message ? message : ""));
}

SIM_RESHADE_EXPORT void simReShadeReset() {
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.addons.clear();
    s.handlers.clear();
    s.journal.clear();
    s.refuse = false;
}

SIM_RESHADE_EXPORT void simReShadeRefuseAddons(int refuse) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.refuse = refuse != 0;
}

SIM_RESHADE_EXPORT std::size_t simReShadeJournal(char* buffer, std::size_t capacity) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (buffer && capacity > 0) {
        const std::size_t n = std::min(capacity - 1, s.journal.size());
        std::memcpy(buffer, s.journal.data(), n);
        buffer[n] = '\0';
    }
    return s.journal.size();
}

SIM_RESHADE_EXPORT int simReShadeFire(std::uint32_t event, reshade::api::effect_runtime* runtime,
                                      reshade::api::command_list* cmdList, std::uint64_t rtv,
                                      std::uint64_t rtvSrgb) {
    State& s = state();
    std::vector<void*> callbacks;
    {
        std::lock_guard lock(s.mutex);
        for (const Handler& h : s.handlers) {
            if (h.event == event)
                callbacks.push_back(h.callback);
        }
    }
    // Handlers run outside the lock, as ReShade runs them on its own thread.
    for (void* callback : callbacks) {
        if (event == static_cast<std::uint32_t>(reshade::addon_event::reshade_present)) {
            reinterpret_cast<PresentHandler>(callback)(runtime);
        } else {
            reinterpret_cast<EffectsHandler>(callback)(runtime, cmdList,
                                                       reshade::api::resource_view{rtv},
                                                       reshade::api::resource_view{rtvSrgb});
        }
    }
    return static_cast<int>(callbacks.size());
}
