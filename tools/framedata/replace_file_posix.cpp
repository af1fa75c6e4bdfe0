#include "output_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to,
                 std::string& error) {
    // rename(2) replaces the target in one step.
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return true;
    error = "cannot rename " + from.string() + " to " + to.string() + ": " + std::strerror(errno);
    return false;
}
