#include "interception/thread_key.h"

// The thread pointer (fs base), which the C library points at the thread's
// own control block.
std::uintptr_t currentThreadKey() noexcept {
    return reinterpret_cast<std::uintptr_t>(__builtin_thread_pointer());
}
