#pragma once
// The camera that renders the view. It answers for the view itself, which is
// why it declares its own location and rotation.

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/GameObject/CameraXWrapper.h"
#include "bakkesmod/wrappers/wrapperstructs.h"

#include <cstdint>
#include <memory>

class BAKKESMOD_PLUGIN_IMPORT CameraWrapper : public CameraXWrapper {
public:
    CameraWrapper(std::uintptr_t mem);
    CameraWrapper(const CameraWrapper& other);
    CameraWrapper& operator=(CameraWrapper rhs);
    ~CameraWrapper();

    Vector GetLocation();
    Rotator GetRotation();
    // Horizontal field of view in degrees.
    float GetFOV();

private:
    struct Impl;
    std::unique_ptr<Impl> pimpl;
};
