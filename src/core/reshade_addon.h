#pragma once
// The add-on's side of ReShade's module: registering the add-on and its event
// handlers, unregistering it, and ReShade's log. On Windows these are
// reshade.hpp's own functions. reshade.hpp needs <Windows.h>, so elsewhere a
// counterpart takes the same steps through the dynamic linker, with the
// dlopen handle that the stand-in host's loader passes as the module.

#include "module_handle.h"

#include <reshade_events.hpp>

// Finds ReShade's module (the first that exports both "ReShadeRegisterAddon"
// and "ReShadeUnregisterAddon"; once found it is kept, a failed search runs
// again at the next call) and registers this module with add-on API 4. False
// without ReShade or when ReShade refuses.
bool registerAddon(HMODULE self) noexcept;

using PresentHandler = reshade::addon_event_traits<reshade::addon_event::reshade_present>::decl;
using BeginEffectsHandler =
    reshade::addon_event_traits<reshade::addon_event::reshade_begin_effects>::decl;
using FinishEffectsHandler =
    reshade::addon_event_traits<reshade::addon_event::reshade_finish_effects>::decl;

// Registers the three handlers, for events 75, 76 and 77 in this order. Each
// event looks "ReShadeRegisterEvent" up once, on its first registration.
void registerEvents(PresentHandler present, BeginEffectsHandler beginEffects,
                    FinishEffectsHandler finishEffects) noexcept;

// Nothing happens without ReShade.
void unregisterAddon(HMODULE self) noexcept;

// One line in ReShade's log; "ReShadeLogMessage" is looked up once, at the
// first line. Nothing happens without ReShade.
void logMessage(int level, const char* text) noexcept;
