#pragma once
// The process-wide owner of the plugin object.

#include <memory>

class Kivren;

// The host receives this object's address from getPlugin and reads it as its
// own shared pointer to the plugin; Kivren's first base sits at offset 0.
extern std::shared_ptr<Kivren> pluginInstance;

// Creates the object on the first call; later calls change nothing.
void createPluginInstance();
// Gives up the library's ownership; the object goes with the last share.
void releasePluginInstance();

// A share of the object for one ReShade event, or empty once deleteMe has run.
// Holding the share keeps the object alive until the event has returned, even
// when the host gives it up at the same moment on its own thread.
std::shared_ptr<Kivren> acquirePluginInstance();

// The stored pointer without a share, for the draw path: the interception is
// switched off in onUnload, before the object can go.
Kivren* pluginObject() noexcept;
