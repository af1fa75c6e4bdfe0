#pragma once
// Inline hook engine: redirects an x86-64 function to a detour by overwriting
// its first bytes with a jump, and keeps a trampoline through which the
// original function can still be called. Process-wide; every operation is
// serialised internally, so any thread may call these.

#include <cstdint>

namespace hook {

enum class HookStatus : int32_t {
    Ok = 0,
    NotInitialized = 2,
    AlreadyCreated = 3,
    NotCreated = 4,
    AlreadyEnabled = 5,
    NotExecutable = 7,
    UnsupportedFunction = 8,
    MemoryAlloc = 9,
    MemoryProtect = 10,
};

// The enumerator's name ("AlreadyCreated"), for the line that reports a
// failed operation with its value; "Unknown" for a value not listed above.
const char* hookStatusName(HookStatus status);

// Passed to disableHook to switch off every hook that is in place.
inline void* const allHooks = nullptr;

// Creates the engine's private heap; harmless to call again.
HookStatus initHookEngine();

// Builds the trampoline for `target` and records the hook, switched off. On
// HookStatus::Ok, *trampolineOut receives the address through which the unhooked
// function stays callable; it is valid for the life of the process.
HookStatus createHook(void* target, void* detour, void** trampolineOut);

// Writes the jump to the detour at `target`.
HookStatus enableHook(void* target);

// Removes the jump of every hook that is in place when given allHooks, or of
// the one hook of `target` otherwise.
HookStatus disableHook(void* target);

// Stops the other threads for a moment and answers whether none of them was
// executing the code of the module that holds `code` (its executable pages)
// and `idle(context)` held while they stood still. For the caller that is
// about to have that module unmapped: whatever a thread wrote before it
// stopped is visible to `idle`, which runs with the threads stopped and so
// must neither lock nor allocate. Threads that cannot be stopped are left
// out, as by the hook operations. False before initHookEngine.
bool otherThreadsOutside(const void* code, bool (*idle)(void*), void* context);

} // namespace hook
