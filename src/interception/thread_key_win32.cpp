#include "interception/thread_key.h"

// The thread environment block, one per thread for its whole life; its own
// address sits at gs:0x30. No thread-local variable: those need TLS callbacks
// or emulated TLS in this DLL, neither of which survives the DLL being
// unloaded while threads live on. (NtCurrentTeb does the same read, but GCC
// takes the fixed address it reads through for an array out of bounds.)
std::uintptr_t currentThreadKey() noexcept {
    std::uintptr_t teb;
    asm("movq %%gs:0x30, %0" : "=r"(teb));
    return teb;
}
