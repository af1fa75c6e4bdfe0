#pragma once
// An actor moved by the physics simulation.

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/Engine/ActorWrapper.h"

#include <cstdint>
#include <memory>

class BAKKESMOD_PLUGIN_IMPORT RBActorWrapper : public ActorWrapper {
public:
    RBActorWrapper(std::uintptr_t mem);
    RBActorWrapper(const RBActorWrapper& other);
    RBActorWrapper& operator=(RBActorWrapper rhs);
    ~RBActorWrapper();

private:
    struct Impl;
    std::unique_ptr<Impl> pimpl;
};
