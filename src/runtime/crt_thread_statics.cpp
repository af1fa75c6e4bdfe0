// Thread-local storage and thread-safe function-local statics.
//
// The TLS directory tells the loader how big each thread's block of
// __declspec(thread) data is; lld-link points the image at _tls_used.
// Function-local statics follow the compiler's epoch protocol: a guard holds
// 0 (not built), -1 (being built) or the global epoch at which it was built;
// a thread whose own epoch is at least the guard's skips the lock entirely.
#include <windows.h>

#include <limits.h>

extern "C" {

ULONG _tls_index = 0;

#pragma section(".tls", read, write)
#pragma section(".tls$ZZZ", read, write)
#pragma section(".CRT$XLA", long, read)
#pragma section(".CRT$XLZ", long, read)

__declspec(allocate(".tls")) char _tls_start = 0;
__declspec(allocate(".tls$ZZZ")) char _tls_end = 0;
__declspec(allocate(".CRT$XLA")) PIMAGE_TLS_CALLBACK __xl_a = nullptr;
__declspec(allocate(".CRT$XLZ")) PIMAGE_TLS_CALLBACK __xl_z = nullptr;

extern const IMAGE_TLS_DIRECTORY64 _tls_used = {
    reinterpret_cast<ULONGLONG>(&_tls_start),
    reinterpret_cast<ULONGLONG>(&_tls_end),
    reinterpret_cast<ULONGLONG>(&_tls_index),
    reinterpret_cast<ULONGLONG>(&__xl_a + 1),
    0,
    {},
};

int _Init_global_epoch = INT_MIN;
__declspec(thread) int _Init_thread_epoch = INT_MIN;

} // extern "C"

namespace {
SRWLOCK staticsLock = SRWLOCK_INIT;
CONDITION_VARIABLE staticsBuilt = CONDITION_VARIABLE_INIT;
constexpr int beingBuilt = -1;
} // namespace

extern "C" void __cdecl _Init_thread_header(int* const once) noexcept {
    AcquireSRWLockExclusive(&staticsLock);
    if (*once == 0) {
        *once = beingBuilt;
    } else {
        while (*once == beingBuilt)
            SleepConditionVariableSRW(&staticsBuilt, &staticsLock, INFINITE, 0);
        _Init_thread_epoch = _Init_global_epoch;
    }
    ReleaseSRWLockExclusive(&staticsLock);
}

extern "C" void __cdecl _Init_thread_footer(int* const once) noexcept {
    AcquireSRWLockExclusive(&staticsLock);
    ++_Init_global_epoch;
    *once = _Init_global_epoch;
    _Init_thread_epoch = _Init_global_epoch;
    ReleaseSRWLockExclusive(&staticsLock);
    WakeAllConditionVariable(&staticsBuilt);
}

// The constructor threw: the next thread to arrive builds it again.
extern "C" void __cdecl _Init_thread_abort(int* const once) noexcept {
    AcquireSRWLockExclusive(&staticsLock);
    *once = 0;
    ReleaseSRWLockExclusive(&staticsLock);
    WakeAllConditionVariable(&staticsBuilt);
}
