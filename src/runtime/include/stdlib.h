// Wine's stdlib.h, plus UCRT functions that it does not declare.
#pragma once
#include <errno.h>
#include_next <stdlib.h>

#ifdef __cplusplus
extern "C" {
#endif
_ACRTIMP int __cdecl _crt_at_quick_exit(void(__cdecl* function)(void));
static inline int __cdecl at_quick_exit(void(__cdecl* function)(void)) {
    return _crt_at_quick_exit(function);
}
_ACRTIMP __declspec(noreturn) void __cdecl quick_exit(int status);
_ACRTIMP unsigned int __cdecl _set_abort_behavior(unsigned int flags, unsigned int mask);
#ifdef __cplusplus
}
#endif
