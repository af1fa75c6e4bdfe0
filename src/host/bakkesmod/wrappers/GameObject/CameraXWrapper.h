#pragma once
// The game's camera with its states and settings.

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/GameObject/BaseCameraWrapper.h"

#include <cstdint>
#include <memory>

class BAKKESMOD_PLUGIN_IMPORT CameraXWrapper : public BaseCameraWrapper {
public:
    CameraXWrapper(std::uintptr_t mem);
    CameraXWrapper(const CameraXWrapper& other);
    CameraXWrapper& operator=(CameraXWrapper rhs);
    ~CameraXWrapper();

private:
    struct Impl;
    std::unique_ptr<Impl> pimpl;
};
