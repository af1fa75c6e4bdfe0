#pragma once
// What the stand-in ReShade does when the plugin calls a method of ReShade's
// interfaces that it never calls: it stops the program at once and names the
// method. A call that lands in the wrong slot of a method table arrives here,
// so it can never pass for a call of the method it meant.

#include <cstdio>
#include <cstdlib>

namespace sim {

[[noreturn]] inline void unexpectedCall(const char* method) {
    std::fprintf(stderr, "stand-in ReShade: %s was called, which the plugin never calls\n", method);
    std::fflush(stderr);
    std::abort();
}

} // namespace sim
