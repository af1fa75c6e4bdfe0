#pragma once
// ReShade's log, in which the recording pipeline reports.

#include <string>

// ReShade log levels used by the recording pipeline.
inline constexpr int logFailure = 1;
inline constexpr int logProgress = 3;
inline constexpr int logStatistics = 4;

// One line into ReShade's log; nothing happens when ReShade is absent.
void logToReShade(int level, const std::string& text) noexcept;
