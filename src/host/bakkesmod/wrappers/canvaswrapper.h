#pragma once
// The canvas that the host hands to drawable callbacks.

#include "bakkesmod/plugin/bakkesmodsdk.h"

#include <cstdint>
#include <memory>

class BAKKESMOD_PLUGIN_IMPORT CanvasWrapper {
public:
    CanvasWrapper(std::uintptr_t mem);
    CanvasWrapper(const CanvasWrapper& other);
    CanvasWrapper& operator=(CanvasWrapper rhs);
    ~CanvasWrapper();

private:
    struct Impl;
    std::unique_ptr<Impl> pimpl;
};
