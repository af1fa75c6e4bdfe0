#pragma once
// The files of one take, as Kivren2 names them beside each other: the
// passes "<name>.mov", "<name> - depth.mov", "<name> - normal.mov",
// "<name> - custom pass.mov" and the frame data "<name>.txt".

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The take's name for one of its files ("replay - depth.mov": "replay").
std::string takeName(const std::filesystem::path& file);

// The passes of the take that exist, in the order above.
std::vector<std::filesystem::path> takePasses(const std::filesystem::path& folder,
                                              const std::string& take);
std::filesystem::path takeFrameData(const std::filesystem::path& folder, const std::string& take);

// A file of the take with what it holds.
struct TakeFile {
    std::filesystem::path path;
    std::optional<std::uint64_t> frames; // frames, or entries of the frame data
    std::string note;                    // "cut off", "cannot be read: ...", or empty
};

// Every file of the take, counted.
std::vector<TakeFile> countTake(const std::filesystem::path& folder, const std::string& take);
