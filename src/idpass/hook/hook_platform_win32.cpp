#include "hook_platform.h"

#include <windows.h>

#include <tlhelp32.h>

// Between freezeOtherThreads and thawOtherThreads only kernel32 calls that go
// straight to the kernel run here (no heap, no loader), so a suspended thread
// holding the process heap's or the loader's lock cannot block the engine.

namespace {

constexpr DWORD threadAccess = THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_SET_CONTEXT |
                               THREAD_QUERY_INFORMATION;            // 0x5A
constexpr DWORD controlRegisters = CONTEXT_AMD64 | CONTEXT_CONTROL; // 0x100001
constexpr uintptr_t pageSize = 4096;

uintptr_t alignDown(uintptr_t v, uintptr_t a) {
    return v & ~(a - 1);
}

// Thread32First fills entries of older, shorter layouts too; the owner's
// process identifier ends at byte 16.
constexpr DWORD entryWithOwner = 16;

bool appendThread(void* heap, ThreadList& threads, uintptr_t id) {
    if (threads.count == threads.capacity) {
        const uint32_t capacity = threads.capacity == 0 ? 128 : threads.capacity * 2;
        void* grown = threads.items == nullptr
                          ? heapAllocate(heap, capacity * sizeof(uintptr_t))
                          : heapReallocate(heap, threads.items, capacity * sizeof(uintptr_t));
        if (grown == nullptr) {
            return false;
        }
        threads.items = static_cast<uintptr_t*>(grown);
        threads.capacity = capacity;
    }
    threads.items[threads.count++] = id;
    return true;
}

} // namespace

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

bool prepareThreadFreezing() {
    return true;
}

bool prepareCodeWrite(uintptr_t address, size_t size, CodeWrite& write) {
    write = CodeWrite{};
    write.address = address;
    write.size = size;
    write.firstPage = alignDown(address, pageSize);
    write.pageCount = static_cast<uint32_t>(
        (alignDown(address + size - 1, pageSize) - write.firstPage) / pageSize + 1);
    return size != 0 && write.pageCount <= 2;
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

void freezeOtherThreads(void* heap, ThreadList& threads) {
    threads.count = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        const DWORD process = GetCurrentProcessId();
        const DWORD self = GetCurrentThreadId();
        THREADENTRY32 entry;
        entry.dwSize = sizeof entry;
        bool room = true;
        for (BOOL more = Thread32First(snapshot, &entry); more && room;
             more = Thread32Next(snapshot, &entry)) {
            if (entry.dwSize >= entryWithOwner && entry.th32OwnerProcessID == process &&
                entry.th32ThreadID != self) {
                room = appendThread(heap, threads, entry.th32ThreadID);
            }
            entry.dwSize = sizeof entry;
        }
        CloseHandle(snapshot);
    }
    // The handles stay open until the thaw, so that the thread resumed is
    // the one suspended even if its identifier were reused meanwhile.
    for (uint32_t i = 0; i < threads.count; ++i) {
        HANDLE thread = OpenThread(threadAccess, FALSE, static_cast<DWORD>(threads.items[i]));
        threads.items[i] = 0;
        if (thread == nullptr) {
            continue;
        }
        if (SuspendThread(thread) == static_cast<DWORD>(-1)) {
            CloseHandle(thread);
            continue;
        }
        // SuspendThread only asks; reading the context waits until the
        // thread has really stopped.
        CONTEXT context;
        context.ContextFlags = controlRegisters;
        GetThreadContext(thread, &context);
        threads.items[i] = reinterpret_cast<uintptr_t>(thread);
    }
}

void moveInstructionPointers(const ThreadList& threads, InstructionPointerMover mover,
                             void* context) {
    for (uint32_t i = 0; i < threads.count; ++i) {
        HANDLE thread = reinterpret_cast<HANDLE>(threads.items[i]);
        if (thread == nullptr) {
            continue;
        }
        CONTEXT registers;
        registers.ContextFlags = controlRegisters;
        if (!GetThreadContext(thread, &registers)) {
            continue;
        }
        uintptr_t ip = registers.Rip;
        if (mover(ip, context)) {
            registers.Rip = ip;
            SetThreadContext(thread, &registers);
        }
    }
}

void thawOtherThreads(void* heap, ThreadList& threads) {
    for (uint32_t i = 0; i < threads.count; ++i) {
        HANDLE thread = reinterpret_cast<HANDLE>(threads.items[i]);
        if (thread != nullptr) {
            ResumeThread(thread);
            CloseHandle(thread);
        }
    }
    heapFree(heap, threads.items);
    threads = ThreadList{};
}

void sleepMilliseconds(uint32_t milliseconds) {
    Sleep(milliseconds);
}
