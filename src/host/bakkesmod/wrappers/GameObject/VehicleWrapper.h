#pragma once
// A vehicle: the physics body that a car is built on.

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/GameObject/RBActorWrapper.h"

#include <cstdint>
#include <memory>

class BAKKESMOD_PLUGIN_IMPORT VehicleWrapper : public RBActorWrapper {
public:
    VehicleWrapper(std::uintptr_t mem);
    VehicleWrapper(const VehicleWrapper& other);
    VehicleWrapper& operator=(VehicleWrapper rhs);
    ~VehicleWrapper();

private:
    struct Impl;
    std::unique_ptr<Impl> pimpl;
};
