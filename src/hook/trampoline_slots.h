#pragma once
// Executable memory for trampolines: 4 KiB blocks within 1 GiB of the
// targets that needed them, each cut into 64-byte slots. Slot 0 of a block
// holds its header; a free slot begins with a pointer to the next free one.
// Callers hold hookLock.

#include "hook/hook_engine.h"

#include <cstdint>

namespace hook {

inline constexpr uintptr_t trampolineBlockSize = 4096;
inline constexpr uintptr_t maxSlotDistance = 0x40000000;

struct TrampolineBlock {
    TrampolineBlock* next;
    void* freeSlots;
    uint32_t usedCount;
};

extern TrampolineBlock* trampolineBlocks; // newest first

// HookStatus::MemoryAlloc when no block can be had near `origin`, HookStatus::MemoryProtect
// when the block that should serve cannot be written.
HookStatus takeTrampolineSlot(uintptr_t origin, uint8_t*& slot);
void giveTrampolineSlotBack(uint8_t* slot);

} // namespace hook
