#pragma once
// The host's plugin base class and the record that a plugin library exports.

#include "../wrappers/GameWrapper.h"
#include "../wrappers/cvarmanagerwrapper.h"

#include <memory>

#if defined(_WIN32)
#define BAKKESMOD_PLUGIN_EXPORT __declspec(dllexport)
#else
#define BAKKESMOD_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

#define BAKKESMOD_PLUGIN_API_VERSION 95

enum PLUGINTYPE { PLUGINTYPE_FREEPLAY = 0x01 };

namespace BakkesMod::Plugin {

// The 64-byte record exported under the name "exports", read by the host
// before anything else of the plugin.
struct PluginInfo {
    int apiBuildVersion;
    const char* fileName;
    const char* className;
    const char* pluginName;
    const char* pluginVersion;
    PLUGINTYPE pluginType;
    void* (*initializeFunc)();
    void (*deleteFunc)();
};
static_assert(sizeof(PluginInfo) == 64);

// No virtual destructor: the host destroys a plugin only through the shared
// ownership that getPlugin hands out, which knows the concrete type.
class BAKKESMOD_PLUGIN_EXPORT BakkesModPlugin {
public:
    std::shared_ptr<CVarManagerWrapper> cvarManager;
    std::shared_ptr<GameWrapper> gameWrapper;

    virtual void onLoad() {}
    virtual void onUnload() {}
};

} // namespace BakkesMod::Plugin
