// Wine's math.h, completed to what the UCRT's math.h offers the standard
// library: the long double forms (long double is double in this ABI), a few
// C99 functions Wine does not declare, and, in C++, the classification
// functions as overloads instead of macros, as the UCRT has them.
#pragma once
#include_next <math.h>

#ifdef __cplusplus
extern "C" {
#endif
_ACRTIMP double __cdecl erfc(double x);
_ACRTIMP float __cdecl erfcf(float x);
_ACRTIMP double __cdecl fma(double x, double y, double z);
_ACRTIMP float __cdecl fmaf(float x, float y, float z);
_ACRTIMP double __cdecl nan(const char* tag);
_ACRTIMP float __cdecl nanf(const char* tag);
_ACRTIMP double __cdecl nexttoward(double x, long double y);
_ACRTIMP float __cdecl nexttowardf(float x, long double y);
_ACRTIMP double __cdecl scalbln(double x, long e);
_ACRTIMP int __cdecl ilogb(double x);
_ACRTIMP long __cdecl lrint(double x);
_ACRTIMP long long __cdecl llrint(double x);
_ACRTIMP long __cdecl lround(double x);
_ACRTIMP long long __cdecl llround(double x);
_ACRTIMP double __cdecl remquo(double x, double y, int* quotient);
_ACRTIMP double __cdecl nearbyint(double x);
_ACRTIMP double __cdecl tgamma(double x);
_ACRTIMP double __cdecl lgamma(double x);
static inline long double __cdecl nexttowardl(long double x, long double y) {
    return nexttoward((double)x, y);
}
static inline long double __cdecl acosl(long double x) {
    return acos((double)x);
}
static inline long double __cdecl acoshl(long double x) {
    return acosh((double)x);
}
static inline long double __cdecl asinl(long double x) {
    return asin((double)x);
}
static inline long double __cdecl asinhl(long double x) {
    return asinh((double)x);
}
static inline long double __cdecl atanl(long double x) {
    return atan((double)x);
}
static inline long double __cdecl atanhl(long double x) {
    return atanh((double)x);
}
static inline long double __cdecl cbrtl(long double x) {
    return cbrt((double)x);
}
static inline long double __cdecl ceill(long double x) {
    return ceil((double)x);
}
static inline long double __cdecl cosl(long double x) {
    return cos((double)x);
}
static inline long double __cdecl coshl(long double x) {
    return cosh((double)x);
}
static inline long double __cdecl erfl(long double x) {
    return erf((double)x);
}
static inline long double __cdecl erfcl(long double x) {
    return erfc((double)x);
}
static inline long double __cdecl expl(long double x) {
    return exp((double)x);
}
static inline long double __cdecl exp2l(long double x) {
    return exp2((double)x);
}
static inline long double __cdecl expm1l(long double x) {
    return expm1((double)x);
}
static inline long double __cdecl fabsl(long double x) {
    return fabs((double)x);
}
static inline long double __cdecl floorl(long double x) {
    return floor((double)x);
}
static inline long double __cdecl lgammal(long double x) {
    return lgamma((double)x);
}
static inline long double __cdecl logl(long double x) {
    return log((double)x);
}
static inline long double __cdecl log10l(long double x) {
    return log10((double)x);
}
static inline long double __cdecl log1pl(long double x) {
    return log1p((double)x);
}
static inline long double __cdecl log2l(long double x) {
    return log2((double)x);
}
static inline long double __cdecl logbl(long double x) {
    return logb((double)x);
}
static inline long double __cdecl nearbyintl(long double x) {
    return nearbyint((double)x);
}
static inline long double __cdecl rintl(long double x) {
    return rint((double)x);
}
static inline long double __cdecl roundl(long double x) {
    return round((double)x);
}
static inline long double __cdecl sinl(long double x) {
    return sin((double)x);
}
static inline long double __cdecl sinhl(long double x) {
    return sinh((double)x);
}
static inline long double __cdecl sqrtl(long double x) {
    return sqrt((double)x);
}
static inline long double __cdecl tanl(long double x) {
    return tan((double)x);
}
static inline long double __cdecl tanhl(long double x) {
    return tanh((double)x);
}
static inline long double __cdecl tgammal(long double x) {
    return tgamma((double)x);
}
static inline long double __cdecl truncl(long double x) {
    return trunc((double)x);
}
static inline long double __cdecl atan2l(long double x, long double y) {
    return atan2((double)x, (double)y);
}
static inline long double __cdecl copysignl(long double x, long double y) {
    return copysign((double)x, (double)y);
}
static inline long double __cdecl fdiml(long double x, long double y) {
    return fdim((double)x, (double)y);
}
static inline long double __cdecl fmaxl(long double x, long double y) {
    return fmax((double)x, (double)y);
}
static inline long double __cdecl fminl(long double x, long double y) {
    return fmin((double)x, (double)y);
}
static inline long double __cdecl fmodl(long double x, long double y) {
    return fmod((double)x, (double)y);
}
static inline long double __cdecl hypotl(long double x, long double y) {
    return hypot((double)x, (double)y);
}
static inline long double __cdecl nextafterl(long double x, long double y) {
    return nextafter((double)x, (double)y);
}
static inline long double __cdecl powl(long double x, long double y) {
    return pow((double)x, (double)y);
}
static inline long double __cdecl remainderl(long double x, long double y) {
    return remainder((double)x, (double)y);
}
static inline long double __cdecl fmal(long double x, long double y, long double z) {
    return fma((double)x, (double)y, (double)z);
}
static inline long double __cdecl frexpl(long double x, int* e) {
    return frexp((double)x, e);
}
static inline long double __cdecl ldexpl(long double x, int e) {
    return ldexp((double)x, e);
}
static inline long double __cdecl modfl(long double x, long double* i) {
    double d;
    double r = modf((double)x, &d);
    *i = d;
    return r;
}
static inline long double __cdecl scalbnl(long double x, int e) {
    return scalbn((double)x, e);
}
static inline long double __cdecl scalblnl(long double x, long e) {
    return scalbln((double)x, e);
}
static inline long double __cdecl remquol(long double x, long double y, int* q) {
    return remquo((double)x, (double)y, q);
}
static inline long double __cdecl nanl(const char* tag) {
    return nan(tag);
}
static inline int __cdecl ilogbl(long double x) {
    return ilogb((double)x);
}
static inline long __cdecl lrintl(long double x) {
    return lrint((double)x);
}
static inline long long __cdecl llrintl(long double x) {
    return llrint((double)x);
}
static inline long __cdecl lroundl(long double x) {
    return lround((double)x);
}
static inline long long __cdecl llroundl(long double x) {
    return llround((double)x);
}
#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
#undef fpclassify
#undef signbit
#undef isinf
#undef isnan
#undef isnormal
#undef isfinite
#undef isgreater
#undef isgreaterequal
#undef isless
#undef islessequal
#undef islessgreater
#undef isunordered

extern "C++" {
inline int fpclassify(float x) noexcept {
    return __builtin_fpclassify(FP_NAN, FP_INFINITE, FP_NORMAL, FP_SUBNORMAL, FP_ZERO, x);
}
inline int fpclassify(double x) noexcept {
    return __builtin_fpclassify(FP_NAN, FP_INFINITE, FP_NORMAL, FP_SUBNORMAL, FP_ZERO, x);
}
inline int fpclassify(long double x) noexcept {
    return fpclassify(static_cast<double>(x));
}
inline bool signbit(float x) noexcept {
    return __builtin_signbit(x);
}
inline bool signbit(double x) noexcept {
    return __builtin_signbit(x);
}
inline bool signbit(long double x) noexcept {
    return __builtin_signbit(static_cast<double>(x));
}
inline bool isinf(float x) noexcept {
    return __builtin_isinf(x);
}
inline bool isinf(double x) noexcept {
    return __builtin_isinf(x);
}
inline bool isinf(long double x) noexcept {
    return __builtin_isinf(static_cast<double>(x));
}
inline bool isnan(float x) noexcept {
    return __builtin_isnan(x);
}
inline bool isnan(double x) noexcept {
    return __builtin_isnan(x);
}
inline bool isnan(long double x) noexcept {
    return __builtin_isnan(static_cast<double>(x));
}
inline bool isnormal(float x) noexcept {
    return __builtin_isnormal(x);
}
inline bool isnormal(double x) noexcept {
    return __builtin_isnormal(x);
}
inline bool isnormal(long double x) noexcept {
    return __builtin_isnormal(static_cast<double>(x));
}
inline bool isfinite(float x) noexcept {
    return __builtin_isfinite(x);
}
inline bool isfinite(double x) noexcept {
    return __builtin_isfinite(x);
}
inline bool isfinite(long double x) noexcept {
    return __builtin_isfinite(static_cast<double>(x));
}

// Integral arguments classify as double; mixed comparisons promote.
template <class T, class = decltype(static_cast<double>(T{} + 0))>
inline int fpclassify(T x) noexcept {
    return fpclassify(static_cast<double>(x));
}
template <class T, class = decltype(static_cast<double>(T{} + 0))>
inline bool signbit(T x) noexcept {
    return signbit(static_cast<double>(x));
}
template <class T, class = decltype(static_cast<double>(T{} + 0))> inline bool isinf(T x) noexcept {
    return isinf(static_cast<double>(x));
}
template <class T, class = decltype(static_cast<double>(T{} + 0))> inline bool isnan(T x) noexcept {
    return isnan(static_cast<double>(x));
}
template <class T, class = decltype(static_cast<double>(T{} + 0))>
inline bool isnormal(T x) noexcept {
    return isnormal(static_cast<double>(x));
}
template <class T, class = decltype(static_cast<double>(T{} + 0))>
inline bool isfinite(T x) noexcept {
    return isfinite(static_cast<double>(x));
}

template <class T, class U> inline bool isgreater(T x, U y) noexcept {
    return __builtin_isgreater(x, y);
}
template <class T, class U> inline bool isgreaterequal(T x, U y) noexcept {
    return __builtin_isgreaterequal(x, y);
}
template <class T, class U> inline bool isless(T x, U y) noexcept {
    return __builtin_isless(x, y);
}
template <class T, class U> inline bool islessequal(T x, U y) noexcept {
    return __builtin_islessequal(x, y);
}
template <class T, class U> inline bool islessgreater(T x, U y) noexcept {
    return __builtin_islessgreater(x, y);
}
template <class T, class U> inline bool isunordered(T x, U y) noexcept {
    return __builtin_isunordered(x, y);
}
}
#endif

#ifdef __cplusplus
extern "C" {
#endif
typedef float float_t;
typedef double double_t;
#ifdef __cplusplus
}
#endif
