#pragma once
// What the hook engine needs from the operating system: address-space
// queries, near allocation, a private heap, page protection around code
// writes, and stopping the other threads of the process. One implementation
// per platform (hook_platform_win32.cpp, hook_platform_posix.cpp).

#include <cstddef>
#include <cstdint>

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

// Installs what stopping threads needs; runs once, from initHookEngine.
bool prepareThreadFreezing();

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

bool prepareCodeWrite(uintptr_t address, size_t size, CodeWrite& write);
bool openCodeWrite(CodeWrite& write);
void closeCodeWrite(const CodeWrite& write);

// The other threads of the process, stopped. Each item identifies a stopped
// thread to the platform; 0 marks one that could not be stopped and was left
// running. Everything that allocates or reads system files happens in
// freezeOtherThreads before the first thread stops; between freezing and
// thawing, the platform makes system calls only.
struct ThreadList {
    uintptr_t* items = nullptr;
    uint32_t count = 0;
    uint32_t capacity = 0;
};

// Moves a stopped thread's instruction pointer; true when it changed `ip`.
// Runs while threads are stopped, so it must not allocate or lock.
using InstructionPointerMover = bool (*)(uintptr_t& ip, void* context);

void freezeOtherThreads(void* heap, ThreadList& threads);
void moveInstructionPointers(const ThreadList& threads, InstructionPointerMover mover,
                             void* context);
void thawOtherThreads(void* heap, ThreadList& threads);

void sleepMilliseconds(uint32_t milliseconds);
