#pragma once
// A car.

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/GameObject/VehicleWrapper.h"

#include <cstdint>
#include <memory>

class BAKKESMOD_PLUGIN_IMPORT CarWrapper : public VehicleWrapper {
public:
    CarWrapper(std::uintptr_t mem);
    CarWrapper(const CarWrapper& other);
    CarWrapper& operator=(CarWrapper rhs);
    ~CarWrapper();

private:
    struct Impl;
    std::unique_ptr<Impl> pimpl;
};
