#include "cpu_features.h"

bool cpuHasAvx2() noexcept {
    return __builtin_cpu_supports("avx2");
}
