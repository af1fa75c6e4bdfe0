// The part of Microsoft's "vcruntime" headers that the C++ standard library
// headers rely on: calling-convention and annotation macros, and the types
// every CRT header shares. Wine's corecrt.h supplies the rest.
#pragma once
#define _VCRUNTIME_H

#include <corecrt.h>

#ifndef _VCRTIMP
#define _VCRTIMP __declspec(dllimport)
#endif
// The standard library marks its DLL imports with _CRTIMP2_IMPORT; the
// plain forms stay empty so that functions of its static part (which the
// runtime layer supplies) link directly.
#ifndef _CRTIMP2
#define _CRTIMP2
#endif
#ifndef _MRTIMP2
#define _MRTIMP2
#endif
#define _PGLOBAL

#ifdef __cplusplus
#define _CRT_BEGIN_C_HEADER extern "C" {
#define _CRT_END_C_HEADER }
#else
#define _CRT_BEGIN_C_HEADER
#define _CRT_END_C_HEADER
#endif

#define __CRTDECL __cdecl
#define __CLR_OR_THIS_CALL
#define __CLRCALL_OR_CDECL __cdecl
#define __CLRCALL_PURE_OR_CDECL __cdecl
#define __CLRCALL_PURE_OR_STDCALL __stdcall
#define _CRT_PACKING 8
#define _HAS_EXCEPTIONS 1

#define _CRT_STRINGIZE_(x) #x
#define _CRT_STRINGIZE(x) _CRT_STRINGIZE_(x)
#define _CRT_WIDE_(s) L##s
#define _CRT_WIDE(s) _CRT_WIDE_(s)
#define _CRT_CONCATENATE_(a, b) a##b
#define _CRT_CONCATENATE(a, b) _CRT_CONCATENATE_(a, b)
#define _CRT_APPEND(a, b) a##b
#define _CRT_UNUSED(x) (void)x

#define _CRT_GUARDOVERFLOW
#define _VCRT_ALLOCATOR __declspec(allocator)
#ifndef _CRTALLOCATOR
#define _CRTALLOCATOR __declspec(allocator)
#endif
#ifndef _CRTRESTRICT
#define _CRTRESTRICT __declspec(restrict)
#endif
#define _VCRT_NOALIAS __declspec(noalias)
#define _VCRT_RESTRICT __declspec(restrict)
#ifndef _CRT_INSECURE_DEPRECATE
#define _CRT_INSECURE_DEPRECATE(replacement)
#endif
#ifndef _CRT_DEPRECATE_TEXT
#define _CRT_DEPRECATE_TEXT(text)
#endif
#define _VCRUNTIME_DISABLED_WARNINGS
#define _MSVC_CONSTEXPR
// Functions of the standard library's satellite DLLs (memory resources,
// special maths, code-conversion facets).
#define _CRT_SATELLITE_1 __declspec(dllimport)
#define _CRT_SATELLITE_2 __declspec(dllimport)
#define _CRT_SATELLITE_CODECVT_IDS __declspec(dllimport)
#define _CRT_SATELLITE_CODECVT_IDS_NOIMPORT

// The language level the standard library builds for (clang-cl sets
// _MSVC_LANG from /std:c++NN).
#ifndef _STL_LANG
#ifdef _MSVC_LANG
#define _STL_LANG _MSVC_LANG
#else
#define _STL_LANG __cplusplus
#endif
#endif
#ifndef _HAS_CXX17
#define _HAS_CXX17 (_STL_LANG > 201402L)
#endif
#ifndef _HAS_CXX20
#define _HAS_CXX20 (_HAS_CXX17 && _STL_LANG > 201703L)
#endif
#ifndef _HAS_CXX23
#define _HAS_CXX23 (_HAS_CXX20 && _STL_LANG > 202002L)
#endif
#ifndef _HAS_NODISCARD
#define _HAS_NODISCARD 1
#endif
#if _HAS_NODISCARD
#define _NODISCARD [[nodiscard]]
#else
#define _NODISCARD
#endif

// The conversion state of the multibyte functions; it is part of mangled
// names (char_traits, codecvt), so it must be this struct, as in the UCRT.
#ifndef _MBSTATET_DEFINED
#define _MBSTATET_DEFINED
typedef struct _Mbstatet {
    unsigned long _Wchar;
    unsigned short _Byte, _State;
} _Mbstatet;
#endif

#ifdef __cplusplus
extern "C" {
#endif
_ACRTIMP __declspec(noreturn) void __cdecl _invalid_parameter_noinfo_noreturn(void);
_ACRTIMP void __cdecl _invalid_parameter_noinfo(void);
#ifdef __cplusplus
}
#endif
#define _CRT_SECURE_INVALID_PARAMETER(expr) ::_invalid_parameter_noinfo_noreturn()
