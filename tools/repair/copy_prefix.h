#pragma once
// Copies the start of a file into a new one, as the system copies best: in
// the kernel, or by sharing the blocks where the file system can (XFS, Btrfs,
// ReFS), rather than through this program's memory.

#include <cstdint>
#include <filesystem>
#include <string>

// The first `bytes` bytes of from into to, which is created or emptied.
// False with error (the system's reason) when it fails.
bool copyFilePrefix(const std::filesystem::path& from, const std::filesystem::path& to,
                    std::uint64_t bytes, std::string& error);
