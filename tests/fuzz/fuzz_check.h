#pragma once
// A property that a fuzz target states about every input: when it fails,
// the input is a finding, and libFuzzer keeps it.

#include <cstdio>
#include <cstdlib>

inline void fuzzCheck(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "fuzz property failed: %s\n", property);
        std::abort();
    }
}
