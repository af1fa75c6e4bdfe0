#pragma once
// What the method-table capture needs from the system: a throw-away window
// for the swap chain, and the d3d11 module that the game has already loaded.
// The handles are opaque here; the capture hands the window to Direct3D as is.

// Registers the window class "KivrenProbe"; the result is not needed.
void registerProbeClass() noexcept;
// A window of that class titled "Kivren Probe Window", never shown; null on failure.
void* createProbeWindow() noexcept;
// Destroys the window (null is ignored) and unregisters the class.
void destroyProbeWindow(void* window) noexcept;

// The d3d11 module if the process has loaded it, or null: it is never loaded
// here, since a game that does not use Direct3D 11 has nothing to intercept.
void* loadedD3d11Module() noexcept;
// The address of an export of that module, or null.
void* d3d11Export(void* module, const char* name) noexcept;
