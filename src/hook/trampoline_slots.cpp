#include "hook/trampoline_slots.h"

#include "hook/memory.h"
#include "hook/trampoline_builder.h"

namespace hook {

TrampolineBlock* trampolineBlocks = nullptr;

namespace {

constexpr uintptr_t slotCount = trampolineBlockSize / trampolineSlotSize;

void*& nextFree(void* slot) {
    return *static_cast<void**>(slot);
}

// The block's own page is written through a protection change, so that a
// block someone made read-only is refused rather than faulted on.
class BlockWrite {
public:
    explicit BlockWrite(TrampolineBlock* block) {
        open_ = prepareCodeWrite(reinterpret_cast<uintptr_t>(block), trampolineBlockSize, write_) &&
                openCodeWrite(write_);
    }
    ~BlockWrite() {
        if (open_) {
            closeCodeWrite(write_);
        }
    }
    BlockWrite(const BlockWrite&) = delete;
    BlockWrite& operator=(const BlockWrite&) = delete;
    bool ok() const { return open_; }

private:
    CodeWrite write_;
    bool open_ = false;
};

void* allocateBelow(uintptr_t origin, uintptr_t lower, uintptr_t granularity) {
    uintptr_t address = alignDown(origin, granularity);
    if (address < granularity) {
        return nullptr;
    }
    address -= granularity;
    while (address >= lower) {
        MemoryRegion region;
        if (!queryRegion(address, region)) {
            return nullptr;
        }
        if (region.free) {
            if (void* block = allocateBlockAt(address, trampolineBlockSize)) {
                return block;
            }
        }
        // Below a refused candidate, the rest of its free region is skipped
        // too: on Linux that region can span gigabytes of pages.
        const uintptr_t base = region.free ? region.base : region.allocationBase;
        if (base < granularity) {
            return nullptr;
        }
        address = alignDown(base - granularity, granularity);
    }
    return nullptr;
}

void* allocateAbove(uintptr_t origin, uintptr_t upper, uintptr_t granularity) {
    uintptr_t address = alignDown(origin, granularity) + granularity;
    while (address <= upper) {
        MemoryRegion region;
        if (!queryRegion(address, region)) {
            return nullptr;
        }
        if (region.free) {
            if (void* block = allocateBlockAt(address, trampolineBlockSize)) {
                return block;
            }
        }
        address = alignUp(region.base + region.size, granularity);
    }
    return nullptr;
}

TrampolineBlock* newBlock(uintptr_t origin, uintptr_t lower, uintptr_t upper,
                          uintptr_t granularity) {
    void* memory = allocateBelow(origin, lower, granularity);
    if (memory == nullptr) {
        memory = allocateAbove(origin, upper, granularity);
    }
    if (memory == nullptr) {
        return nullptr;
    }
    auto* block = static_cast<TrampolineBlock*>(memory);
    block->usedCount = 0;
    block->freeSlots = nullptr;
    for (uintptr_t i = 1; i < slotCount; ++i) {
        void* slot = static_cast<uint8_t*>(memory) + i * trampolineSlotSize;
        nextFree(slot) = block->freeSlots;
        block->freeSlots = slot;
    }
    block->next = trampolineBlocks;
    trampolineBlocks = block;
    return block;
}

} // namespace

HookStatus takeTrampolineSlot(uintptr_t origin, uint8_t*& slot) {
    const AddressLimits limits = addressLimits();
    uintptr_t lower = limits.lowest;
    if (origin > maxSlotDistance && origin - maxSlotDistance > lower) {
        lower = origin - maxSlotDistance;
    }
    uintptr_t upper =
        origin + maxSlotDistance < limits.highest ? origin + maxSlotDistance : limits.highest;
    upper -= trampolineBlockSize - 1;

    TrampolineBlock* block = trampolineBlocks;
    while (block != nullptr) {
        const auto address = reinterpret_cast<uintptr_t>(block);
        if (address >= lower && address < upper && block->freeSlots != nullptr) {
            break;
        }
        block = block->next;
    }
    if (block == nullptr) {
        block = newBlock(origin, lower, upper, limits.granularity);
        if (block == nullptr) {
            return HookStatus::MemoryAlloc;
        }
    }
    BlockWrite write(block);
    if (!write.ok()) {
        return HookStatus::MemoryProtect;
    }
    slot = static_cast<uint8_t*>(block->freeSlots);
    block->freeSlots = nextFree(slot);
    ++block->usedCount;
    return HookStatus::Ok;
}

void giveTrampolineSlotBack(uint8_t* slot) {
    const uintptr_t address = alignDown(reinterpret_cast<uintptr_t>(slot), trampolineBlockSize);
    TrampolineBlock* previous = nullptr;
    TrampolineBlock* block = trampolineBlocks;
    while (block != nullptr && reinterpret_cast<uintptr_t>(block) != address) {
        previous = block;
        block = block->next;
    }
    if (block == nullptr) {
        return;
    }
    {
        BlockWrite write(block);
        if (!write.ok()) {
            return; // the slot stays taken: nothing can be recorded in the block
        }
        nextFree(slot) = block->freeSlots;
        block->freeSlots = slot;
        if (--block->usedCount != 0) {
            return;
        }
    }
    if (previous == nullptr) {
        trampolineBlocks = block->next;
    } else {
        BlockWrite write(previous);
        if (!write.ok()) {
            return; // the empty block stays listed and serves again later
        }
        previous->next = block->next;
    }
    releaseBlock(block, trampolineBlockSize);
}

} // namespace hook
