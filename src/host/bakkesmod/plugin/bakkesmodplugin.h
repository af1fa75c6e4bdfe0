#pragma once
// The host's plugin base class and the record that a plugin library exports.

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/GameWrapper.h"
#include "bakkesmod/wrappers/cvarmanagerwrapper.h"

#include <cstdint>
#include <memory>

enum PLUGINTYPE {
    PLUGINTYPE_FREEPLAY = 0x01,
    PLUGINTYPE_CUSTOM_TRAINING = 0x02,
    PLUGINTYPE_SPECTATOR = 0x04,
    PLUGINTYPE_BOTAI = 0x08,
    PLUGINTYPE_REPLAY = 0x10,
    PLUGINTYPE_THREADED = 0x20,
    PLUGINTYPE_THREADEDUNLOAD = 0x40,
};

namespace BakkesMod::Plugin {

// The 64-byte record exported under the name "exports", read by the host
// before anything else of the plugin.
struct PluginInfo {
    short apiBuildVersion;
    const char* fileName;
    const char* className;
    const char* pluginName;
    const char* pluginVersion;
    const unsigned long pluginType;
    uintptr_t (*initializeFunc)();
    void (*delFunc)();
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
