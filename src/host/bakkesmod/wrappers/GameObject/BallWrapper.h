#pragma once
// The ball.

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/GameObject/RBActorWrapper.h"

#include <cstdint>
#include <memory>

class BAKKESMOD_PLUGIN_IMPORT BallWrapper : public RBActorWrapper {
public:
    BallWrapper(std::uintptr_t mem);
    BallWrapper(const BallWrapper& other);
    BallWrapper& operator=(BallWrapper rhs);
    ~BallWrapper();

private:
    struct Impl;
    std::unique_ptr<Impl> pimpl;
};
