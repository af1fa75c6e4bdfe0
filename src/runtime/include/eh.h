// Exception-handling declarations of the UCRT. Wine's eh.h gives terminate()
// C++ linkage; the DLLs export it (and its neighbours) as C names.
#pragma once
#define __WINE_EH_H

#include <corecrt.h>

#ifndef __cplusplus
#error "eh.h is meant only for C++ applications"
#endif

#pragma pack(push, 8)

struct _EXCEPTION_POINTERS;

extern "C" {
typedef void(__cdecl* terminate_handler)(void);
typedef void(__cdecl* terminate_function)(void);
typedef void(__cdecl* unexpected_handler)(void);
typedef void(__cdecl* unexpected_function)(void);
typedef void(__cdecl* _se_translator_function)(unsigned int code, struct _EXCEPTION_POINTERS* info);

_ACRTIMP terminate_handler __cdecl set_terminate(terminate_handler handler) noexcept;
_ACRTIMP terminate_handler __cdecl _get_terminate(void);
_ACRTIMP __declspec(noreturn) void __cdecl terminate(void) noexcept;
_VCRTIMP unexpected_handler __cdecl set_unexpected(unexpected_handler handler) noexcept;
_VCRTIMP unexpected_handler __cdecl _get_unexpected(void);
_VCRTIMP __declspec(noreturn) void __cdecl unexpected(void);
_VCRTIMP _se_translator_function __cdecl _set_se_translator(_se_translator_function function);
_VCRTIMP int __cdecl __uncaught_exceptions(void);
}

#pragma pack(pop)
