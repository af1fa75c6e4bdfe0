// Wine's wchar.h, plus what the UCRT declares and <cwchar> names.
#pragma once
#include <stdio.h>
#include_next <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif
static inline int __cdecl mbsinit(const mbstate_t* state) {
    return !state || state->_Wchar == 0;
}
_ACRTIMP double __cdecl _wcstold_l(const wchar_t* string, wchar_t** end, _locale_t locale);
static inline long double __cdecl wcstold(const wchar_t* string, wchar_t** end) {
    return _wcstold_l(string, end, NULL);
}
// The UCRT's streams have no orientation; it answers "unchanged" as it does.
static inline int __cdecl fwide(FILE* file, int mode) {
    (void)file;
    return mode;
}
static inline int __cdecl vfwscanf(FILE* file, const wchar_t* format, va_list args) {
    return __stdio_common_vfwscanf(_CRT_INTERNAL_LOCAL_SCANF_OPTIONS, file, format, NULL, args);
}
static inline int __cdecl vwscanf(const wchar_t* format, va_list args) {
    return vfwscanf(stdin, format, args);
}
static inline int __cdecl vswscanf(const wchar_t* buffer, const wchar_t* format, va_list args) {
    return __stdio_common_vswscanf(_CRT_INTERNAL_LOCAL_SCANF_OPTIONS, buffer, (size_t)-1, format,
                                   NULL, args);
}
#ifdef __cplusplus
}
#endif
