#pragma once
// The pure rules of a recording session, apart from its state.

#include <cstdint>
#include <string>

// Folder and file name joined as narrow strings in the process's code page: a
// separator goes between them unless the folder already ends in one.
std::string joinPath(const std::string& folder, const std::string& file);

// The statistics line's rate: frames over elapsed seconds, in single precision
// as it has always been computed, truncated; 0 for a session under 1 ms.
std::int32_t sessionRate(std::int32_t frames, std::int64_t milliseconds);
