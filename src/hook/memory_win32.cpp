// Memory on Windows: VirtualQuery, VirtualAlloc and VirtualProtect, and a
// heap of the engine's own, apart from the process heap.
#include "hook/memory.h"

#include <windows.h>

namespace hook {

AddressLimits addressLimits() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return AddressLimits{reinterpret_cast<uintptr_t>(info.lpMinimumApplicationAddress),
                         reinterpret_cast<uintptr_t>(info.lpMaximumApplicationAddress),
                         info.dwAllocationGranularity};
}

bool queryRegion(uintptr_t address, MemoryRegion& region) {
    MEMORY_BASIC_INFORMATION mbi;
    if (VirtualQuery(reinterpret_cast<void*>(address), &mbi, sizeof mbi) == 0) {
        return false;
    }
    region.base = reinterpret_cast<uintptr_t>(mbi.BaseAddress);
    region.size = mbi.RegionSize;
    region.allocationBase = reinterpret_cast<uintptr_t>(mbi.AllocationBase);
    region.free = mbi.State == MEM_FREE;
    region.committed = mbi.State == MEM_COMMIT;
    region.executable = (mbi.Protect & 0xF0) != 0;
    return true;
}

bool isExecutableAddress(uintptr_t address) {
    MemoryRegion region;
    return queryRegion(address, region) && region.committed && region.executable;
}

void* allocateBlockAt(uintptr_t address, size_t size) {
    return VirtualAlloc(reinterpret_cast<void*>(address), size, MEM_COMMIT | MEM_RESERVE,
                        PAGE_EXECUTE_READWRITE);
}

void releaseBlock(void* block, size_t) {
    VirtualFree(block, 0, MEM_RELEASE);
}

void* createHookHeap() {
    return HeapCreate(0, 0, 0);
}

void* heapAllocate(void* heap, size_t size) {
    return HeapAlloc(heap, 0, size);
}

void* heapReallocate(void* heap, void* memory, size_t size) {
    return memory == nullptr ? HeapAlloc(heap, 0, size) : HeapReAlloc(heap, 0, memory, size);
}

void heapFree(void* heap, void* memory) {
    if (memory != nullptr) {
        HeapFree(heap, 0, memory);
    }
}

bool prepareCodeWrite(uintptr_t address, size_t size, CodeWrite& write) {
    return spanCodeWrite(address, size, write);
}

bool openCodeWrite(CodeWrite& write) {
    // Page by page, so that pages of different protection get each their
    // own back, and a refusal on the second page can undo the first.
    for (uint32_t i = 0; i < write.pageCount; ++i) {
        DWORD old = 0;
        if (!VirtualProtect(reinterpret_cast<void*>(write.firstPage + i * pageSize), 1,
                            PAGE_EXECUTE_READWRITE, &old)) {
            while (i-- > 0) {
                VirtualProtect(reinterpret_cast<void*>(write.firstPage + i * pageSize), 1,
                               write.oldProtection[i], &old);
            }
            return false;
        }
        write.oldProtection[i] = old;
    }
    return true;
}

void closeCodeWrite(const CodeWrite& write) {
    for (uint32_t i = 0; i < write.pageCount; ++i) {
        DWORD old = 0;
        VirtualProtect(reinterpret_cast<void*>(write.firstPage + i * pageSize), 1,
                       write.oldProtection[i], &old);
    }
    FlushInstructionCache(GetCurrentProcess(), reinterpret_cast<void*>(write.address), write.size);
}

} // namespace hook
