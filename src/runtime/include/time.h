// Wine's time.h, plus the C11 timespec functions and localtime_s as the UCRT
// declares them (inline over its 64-bit exports).
#pragma once
#include_next <time.h>

#ifdef __cplusplus
extern "C" {
#endif
struct _timespec64 {
    __time64_t tv_sec;
    long tv_nsec;
};
struct timespec {
    time_t tv_sec;
    long tv_nsec;
};
#ifndef TIME_UTC
#define TIME_UTC 1
#endif
_ACRTIMP int __cdecl _timespec64_get(struct _timespec64* value, int base);
static inline int __cdecl timespec_get(struct timespec* value, int base) {
    return _timespec64_get((struct _timespec64*)value, base);
}
static inline errno_t __cdecl localtime_s(struct tm* result, const time_t* time) {
    return _localtime64_s(result, time);
}
#ifdef __cplusplus
}
#endif
