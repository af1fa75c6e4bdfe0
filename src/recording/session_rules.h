#pragma once
// The pure rules of a recording session, apart from its state.

#include <cstdint>
#include <functional>
#include <string>

// Folder and file name joined as narrow strings in the process's code page: a
// separator goes between them unless the folder already ends in one.
std::string joinPath(const std::string& folder, const std::string& file);

// The statistics line's rate: frames over elapsed seconds, in single precision
// as it has always been computed, truncated; 0 for a session under 1 ms.
std::int32_t sessionRate(std::int32_t frames, std::int64_t milliseconds);

// The files of one take, named after it: the four videos (in pass order), the
// frame data and the ID pass's list of meshes and colours.
inline constexpr const char* takeFileSuffixes[] = {
    ".mov", " - depth.mov", " - normal.mov", " - custom pass.mov", ".txt", " - custom pass.json"};

// The first of name, "name (2)", "name (3)", ... none of whose take files
// exists in the folder, so that a new take never replaces an earlier one;
// empty when even "name (9999)" is taken.
std::string freeTakeName(const std::string& folder, const std::string& name,
                         const std::function<bool(const std::string& path)>& exists);
