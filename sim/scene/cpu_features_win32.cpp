// Microsoft's ABI has no __builtin_cpu_supports runtime: ask CPUID directly.
#include "cpu_features.h"

#include <intrin.h>

__attribute__((target("xsave"))) bool cpuHasAvx2() noexcept {
    int info[4] = {};
    __cpuid(info, 0);
    if (info[0] < 7)
        return false;
    __cpuid(info, 1);
    const bool osSavesYmm = (info[2] & (1 << 27)) != 0; // OSXSAVE
    const bool avx = (info[2] & (1 << 28)) != 0;
    if (!osSavesYmm || !avx || (_xgetbv(0) & 0x6) != 0x6)
        return false;
    __cpuidex(info, 7, 0);
    return (info[1] & (1 << 5)) != 0;
}
