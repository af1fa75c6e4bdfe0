#pragma once
// The library's attach and detach, called by the platform's library entry.

#include "module_handle.h"

// Registers the add-on and its three event handlers with ReShade; false when
// there is no ReShade in the process or it refuses the add-on, and the library
// must not stay loaded.
bool libraryAttach(HMODULE self) noexcept;
// Unregisters the add-on from ReShade, when ReShade is there.
void libraryDetach(HMODULE self) noexcept;
