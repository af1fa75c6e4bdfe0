#pragma once
// Loaded modules of the process: finding ReShade and looking up exports.

#include "module_handle.h"

// The first loaded module that exports both "ReShadeRegisterAddon" and
// "ReShadeUnregisterAddon", or null. A found module is remembered for the
// process's life; a failed search runs again at the next call.
HMODULE findReShadeModule() noexcept;

// The address of an exported symbol, or null.
void* moduleExport(HMODULE module, const char* name) noexcept;
