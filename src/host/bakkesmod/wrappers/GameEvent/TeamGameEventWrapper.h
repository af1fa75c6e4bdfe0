#pragma once
// A game event played by teams.

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/GameEvent/GameEventWrapper.h"

#include <cstdint>
#include <memory>

class BAKKESMOD_PLUGIN_IMPORT TeamGameEventWrapper : public GameEventWrapper {
public:
    TeamGameEventWrapper(std::uintptr_t mem);
    TeamGameEventWrapper(const TeamGameEventWrapper& other);
    TeamGameEventWrapper& operator=(TeamGameEventWrapper rhs);
    ~TeamGameEventWrapper();

private:
    struct Impl;
    std::unique_ptr<Impl> pimpl;
};
