#pragma once
// A game actor: anything with a place in the world. A handle may be null.

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/Engine/ObjectWrapper.h"
#include "bakkesmod/wrappers/wrapperstructs.h"

#include <cstdint>
#include <memory>

class BAKKESMOD_PLUGIN_IMPORT ActorWrapper : public ObjectWrapper {
public:
    ActorWrapper(std::uintptr_t mem);
    ActorWrapper(const ActorWrapper& other);
    ActorWrapper& operator=(ActorWrapper rhs);
    ~ActorWrapper();

    Vector GetLocation();
    Rotator GetRotation();
    bool IsNull();

private:
    struct Impl;
    std::unique_ptr<Impl> pimpl;
};
