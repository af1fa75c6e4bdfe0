#pragma once
// Nothing that a host calls may let an exception escape into it: every entry
// point from the host or ReShade runs its work through guardHostCall.

#include "core/kivren.h"

#include <exception>
#include <string>

// Writes "<what> failed: <reason>" into the host console when the work throws.
void reportHostCallFailure(Kivren& plugin, const char* what, const char* reason) noexcept;

template <typename Work>
void guardHostCall(Kivren& plugin, const char* what, Work&& work) noexcept {
    try {
        work();
    } catch (const std::exception& e) {
        reportHostCallFailure(plugin, what, e.what());
    } catch (...) {
        reportHostCallFailure(plugin, what, "unknown error");
    }
}
