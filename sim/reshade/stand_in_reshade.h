#pragma once
// The stand-in ReShade module's control interface, beside the four exports
// that the real ReShade has. The stand-in host loads the module and reaches
// these through its exports (see sim/host/reshade_module.h).

#include <reshade_api.hpp>

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define SIM_RESHADE_EXPORT extern "C" __declspec(dllexport)
#else
#define SIM_RESHADE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Forgets add-ons, events, the journal and the refusal switch.
using SimReShadeResetFn = void (*)();
// While set, ReShadeRegisterAddon answers false.
using SimReShadeRefuseAddonsFn = void (*)(int refuse);
// Copies the journal (one entry per line: "register_addon 4", "register_event 75",
// "unregister_addon", "log 3 <text>") into buffer; returns the full length.
using SimReShadeJournalFn = std::size_t (*)(char* buffer, std::size_t capacity);
// Calls every handler registered for the event; returns how many ran.
using SimReShadeFireFn = int (*)(std::uint32_t event, reshade::api::effect_runtime* runtime,
                                 reshade::api::command_list* cmd_list, std::uint64_t rtv,
                                 std::uint64_t rtv_srgb);
