#pragma once
// A path as the console shows it: UTF-8, whatever the system's own encoding.

#include <filesystem>
#include <string>

inline std::string displayPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}
