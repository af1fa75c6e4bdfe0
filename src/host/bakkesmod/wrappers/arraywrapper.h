#pragma once
// A host array of game objects. The host's library carries the instances
// (cars among them); a plugin only declares them.

#include "bakkesmod/plugin/bakkesmodsdk.h"

#include <cstdint>
#include <memory>

template <typename T> class BAKKESMOD_PLUGIN_IMPORT ArrayWrapper {
public:
    ArrayWrapper(std::uintptr_t mem);
    ArrayWrapper(const ArrayWrapper& other);
    ArrayWrapper& operator=(ArrayWrapper rhs);
    ~ArrayWrapper();

    int Count();
    // Index 0 to Count() - 1.
    T Get(int index);
    bool IsNull();

private:
    struct Impl;
    std::unique_ptr<Impl> pimpl;
};
