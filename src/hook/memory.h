#pragma once
// What the hook engine needs from the operating system's memory manager:
// address-space queries, allocation at a chosen address, a private heap, and
// page protection around code writes. memory_win32.cpp and memory_posix.cpp
// implement it.

#include <cstddef>
#include <cstdint>

namespace hook {

struct MemoryRegion {
    uintptr_t base = 0;
    size_t size = 0;
    uintptr_t allocationBase = 0; // start of the allocation the region belongs to
    bool free = false;            // nothing reserved or mapped there
    bool committed = false;       // backed and accessible
    bool executable = false;
};

struct AddressLimits {
    uintptr_t lowest = 0;
    uintptr_t highest = 0;
    uintptr_t granularity = 0; // alignment of allocations
};

// x86-64's page, the unit of every protection change.
inline constexpr uintptr_t pageSize = 4096;

// Allocation and page boundaries; `alignment` need not be a power of two.
constexpr uintptr_t alignDown(uintptr_t value, uintptr_t alignment) {
    return value / alignment * alignment;
}
constexpr uintptr_t alignUp(uintptr_t value, uintptr_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

AddressLimits addressLimits();
bool queryRegion(uintptr_t address, MemoryRegion& region);
bool isExecutableAddress(uintptr_t address);

// Read, write and execute memory exactly at `address`, never replacing
// anything already there; null when that cannot be had.
void* allocateBlockAt(uintptr_t address, size_t size);
void releaseBlock(void* block, size_t size);

// The engine's private heap; the handle is opaque, null on failure.
void* createHookHeap();
void* heapAllocate(void* heap, size_t size);
void* heapReallocate(void* heap, void* memory, size_t size);
void heapFree(void* heap, void* memory);

// A write of code into at most two pages. prepareCodeWrite gathers what the
// write needs while other threads still run; openCodeWrite makes every page
// writable or, failing that, leaves every page as it was; closeCodeWrite puts
// the protections back and flushes the instruction cache.
struct CodeWrite {
    uintptr_t address = 0;
    size_t size = 0;
    uintptr_t firstPage = 0;
    uint32_t pageCount = 0;
    uint32_t oldProtection[2] = {};
};

// The pages of the write, the same on every platform; false when the write
// is empty or spans more than two pages.
inline bool spanCodeWrite(uintptr_t address, size_t size, CodeWrite& write) {
    write = CodeWrite{};
    write.address = address;
    write.size = size;
    write.firstPage = alignDown(address, pageSize);
    write.pageCount = static_cast<uint32_t>(
        (alignDown(address + size - 1, pageSize) - write.firstPage) / pageSize + 1);
    return size != 0 && write.pageCount <= 2;
}

bool prepareCodeWrite(uintptr_t address, size_t size, CodeWrite& write);
bool openCodeWrite(CodeWrite& write);
void closeCodeWrite(const CodeWrite& write);

} // namespace hook
