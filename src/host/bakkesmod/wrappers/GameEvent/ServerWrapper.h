#pragma once
// A match with a ball.

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/GameEvent/TeamGameEventWrapper.h"
#include "bakkesmod/wrappers/GameObject/BallWrapper.h"

#include <cstdint>
#include <memory>

class BAKKESMOD_PLUGIN_IMPORT ServerWrapper : public TeamGameEventWrapper {
public:
    ServerWrapper(std::uintptr_t mem);
    ServerWrapper(const ServerWrapper& other);
    ServerWrapper& operator=(ServerWrapper rhs);
    ~ServerWrapper();

    BallWrapper GetBall();

private:
    struct Impl;
    std::unique_ptr<Impl> pimpl;
};
