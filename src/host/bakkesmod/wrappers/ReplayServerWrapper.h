#pragma once
// The game event of a replay being shown.

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/GameEvent/ServerWrapper.h"

#include <cstdint>
#include <memory>

class BAKKESMOD_PLUGIN_IMPORT ReplayServerWrapper : public ServerWrapper {
public:
    ReplayServerWrapper(std::uintptr_t mem, std::uintptr_t replayDirector, std::uintptr_t replay);
    ReplayServerWrapper(const ReplayServerWrapper& other);
    ReplayServerWrapper& operator=(ReplayServerWrapper rhs);
    ~ReplayServerWrapper();

private:
    struct Impl;
    std::unique_ptr<Impl> pimpl;
};
