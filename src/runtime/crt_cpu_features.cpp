// The instruction-set level the standard library's bit functions check
// before using popcnt, lzcnt and tzcnt. Microsoft's runtime sets it at
// start-up from CPUID; until then it is the baseline (SSE2).
#include <intrin.h>

#include "runtime/crt_internal.h"

extern "C" int __isa_available = 0;

namespace {
// Microsoft's numbering of the levels.
constexpr int isaSse2 = 1, isaSse42 = 2, isaAvx = 3, isaAvx2 = 5;
} // namespace

__attribute__((target("xsave"))) void crt::detectInstructionSet() {
    int info[4] = {};
    __cpuid(info, 0);
    const int highest = info[0];
    __cpuid(info, 1);
    int level = isaSse2;
    if ((info[2] & (1 << 20)) && (info[2] & (1 << 23))) // SSE4.2 and POPCNT
        level = isaSse42;
    const bool osSavesYmm =
        (info[2] & (1 << 27)) && (info[2] & (1 << 28)) && (_xgetbv(0) & 0x6) == 0x6;
    if (level == isaSse42 && osSavesYmm) {
        level = isaAvx;
        if (highest >= 7) {
            __cpuidex(info, 7, 0);
            const bool avx2 = (info[1] & (1 << 5)) != 0;
            const bool bmi = (info[1] & (1 << 3)) && (info[1] & (1 << 8)); // tzcnt and friends
            __cpuid(info, static_cast<int>(0x80000001));
            const bool lzcnt = (info[2] & (1 << 5)) != 0;
            if (avx2 && bmi && lzcnt)
                level = isaAvx2;
        }
    }
    __isa_available = level;
}
