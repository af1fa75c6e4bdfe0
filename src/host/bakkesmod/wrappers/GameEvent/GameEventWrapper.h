#pragma once
// A running game event (match, training, replay).

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/Engine/ActorWrapper.h"
#include "bakkesmod/wrappers/GameObject/CarWrapper.h"
#include "bakkesmod/wrappers/arraywrapper.h"

#include <cstdint>
#include <memory>

class BAKKESMOD_PLUGIN_IMPORT GameEventWrapper : public ActorWrapper {
public:
    GameEventWrapper(std::uintptr_t mem);
    GameEventWrapper(const GameEventWrapper& other);
    GameEventWrapper& operator=(GameEventWrapper rhs);
    ~GameEventWrapper();

    // The cars of the event, in the host's order.
    ArrayWrapper<CarWrapper> GetCars();

private:
    struct Impl;
    std::unique_ptr<Impl> pimpl;
};
