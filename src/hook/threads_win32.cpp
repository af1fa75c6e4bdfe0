// Stopping threads on Windows: SuspendThread and the thread context.
#include "hook/threads.h"

#include "hook/memory.h"

#include <windows.h>

#include <tlhelp32.h>

// Between freezeOtherThreads and thawOtherThreads only kernel32 calls that go
// straight to the kernel run here (no heap, no loader), so a suspended thread
// holding the process heap's or the loader's lock cannot block the engine.

namespace hook {
namespace {

constexpr DWORD threadAccess = THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_SET_CONTEXT |
                               THREAD_QUERY_INFORMATION;            // 0x5A
constexpr DWORD controlRegisters = CONTEXT_AMD64 | CONTEXT_CONTROL; // 0x100001

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

bool prepareThreadFreezing() {
    return true;
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

} // namespace hook
