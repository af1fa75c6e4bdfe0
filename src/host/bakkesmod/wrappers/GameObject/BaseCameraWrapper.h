#pragma once
// The game's camera actor.

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/Engine/ActorWrapper.h"

#include <cstdint>
#include <memory>

class BAKKESMOD_PLUGIN_IMPORT BaseCameraWrapper : public ActorWrapper {
public:
    BaseCameraWrapper(std::uintptr_t mem);
    BaseCameraWrapper(const BaseCameraWrapper& other);
    BaseCameraWrapper& operator=(BaseCameraWrapper rhs);
    ~BaseCameraWrapper();

private:
    struct Impl;
    std::unique_ptr<Impl> pimpl;
};
