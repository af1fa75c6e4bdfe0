#pragma once
// ReShade's log and the library's own module handle, which ReShade takes as
// the identity of the add-on.

#include "module_handle.h"

#include <string>

void setOwnModule(HMODULE module) noexcept;
HMODULE ownModule() noexcept;

// ReShade log levels used by the recording pipeline.
inline constexpr int logFailure = 1;
inline constexpr int logProgress = 3;
inline constexpr int logStatistics = 4;

// One line into ReShade's log; nothing happens when ReShade is absent.
void logToReShade(int level, const std::string& text) noexcept;
