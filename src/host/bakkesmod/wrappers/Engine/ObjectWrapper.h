#pragma once
// The root of the game object handles: the address of the object in the game.

#include "bakkesmod/plugin/bakkesmodsdk.h"

#include <cstdint>

class BAKKESMOD_PLUGIN_IMPORT ObjectWrapper {
public:
    ObjectWrapper(std::uintptr_t mem);

    std::uintptr_t memory_address;
};
