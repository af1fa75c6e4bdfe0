// The stack-buffer check (/GS), the floating-point marker and the stack
// probe that the compiler expects from the static runtime.
#include <windows.h>

#include <stdint.h>

#include "runtime/crt_internal.h"

namespace {
// Microsoft's well-known initial value; a cookie still equal to it after
// start-up was never randomised.
constexpr uintptr_t defaultCookie = 0x00002B992DDFA232ull;
} // namespace

extern "C" {

uintptr_t __security_cookie = defaultCookie;
uintptr_t __security_cookie_complement = ~defaultCookie;
int _fltused = 0x9875;

_VCRTIMP __declspec(noreturn) void __cdecl __report_gsfailure(ULONGLONG cookie);

// Runs before any protected frame exists, so it must not be protected itself.
__attribute__((no_stack_protector)) void __cdecl __security_init_cookie(void) {
    if (__security_cookie != defaultCookie)
        return;
    FILETIME time{};
    GetSystemTimeAsFileTime(&time);
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    uintptr_t cookie = (static_cast<uintptr_t>(time.dwHighDateTime) << 32) ^ time.dwLowDateTime;
    cookie ^= static_cast<uintptr_t>(GetCurrentThreadId()) << 16;
    cookie ^= GetCurrentProcessId();
    cookie ^=
        static_cast<uintptr_t>(counter.QuadPart) << 32 ^ static_cast<uintptr_t>(counter.QuadPart);
    cookie ^= reinterpret_cast<uintptr_t>(&cookie);
    // The top 16 bits stay clear, as Microsoft's runtime keeps them.
    cookie &= 0x0000FFFFFFFFFFFFull;
    if (cookie == defaultCookie)
        ++cookie;
    __security_cookie = cookie;
    __security_cookie_complement = ~cookie;
}

void __cdecl __security_check_cookie(uintptr_t cookie) {
    if (cookie != __security_cookie)
        __report_gsfailure(cookie);
}

// Touches each page of a large stack frame in order (RAX holds its size), so
// that the guard page grows the stack one page at a time. Only R10 and R11
// may change.
__attribute__((naked)) void __chkstk(void) {
    __asm__ volatile("pushq %rcx\n\t"
                     "pushq %rax\n\t"
                     "leaq 24(%rsp), %rcx\n\t"
                     "cmpq $0x1000, %rax\n\t"
                     "jb 2f\n"
                     "1:\n\t"
                     "subq $0x1000, %rcx\n\t"
                     "orq $0, (%rcx)\n\t"
                     "subq $0x1000, %rax\n\t"
                     "cmpq $0x1000, %rax\n\t"
                     "ja 1b\n"
                     "2:\n\t"
                     "subq %rax, %rcx\n\t"
                     "orq $0, (%rcx)\n\t"
                     "popq %rax\n\t"
                     "popq %rcx\n\t"
                     "ret\n\t");
}

} // extern "C"
