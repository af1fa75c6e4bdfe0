#pragma once
// The engine's process-wide state, shared by its own files and visible to
// its tests; users include hook_engine.h only.

#include "hook/trampoline_builder.h"

#include <atomic>
#include <cstdint>

namespace hook {

struct HookEntry {
    void* target;
    void* relay;      // the absolute jump to the detour, inside the trampoline's slot
    void* trampoline; // the moved instructions and the jump back
    uint8_t backup[8];
    uint8_t patchAbove : 1;
    uint8_t isEnabled : 1;
    uint8_t ipCount : 4;
    uint8_t oldOffsets[maxMovedInstructions];
    uint8_t newOffsets[maxMovedInstructions];
};

struct HookTable {
    HookEntry* items = nullptr;
    uint32_t capacity = 0;
    uint32_t size = 0;
};

extern std::atomic<int32_t> hookLock; // 0 free, 1 held
extern void* hookHeap;                // null until initHookEngine
extern HookTable hookTable;

// How many stopped threads have had their instruction pointer carried
// between a target and its trampoline; lets tests see that it happened.
extern std::atomic<uint32_t> movedInstructionPointers;
// How many times the other threads have been stopped.
extern std::atomic<uint32_t> threadFreezes;

} // namespace hook
