#include "output_files.h"

#include "system/system_error_text.h"

#include <cerrno>
#include <cstdio>

bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to,
                 std::string& error) {
    // rename(2) replaces the target in one step.
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return true;
    error = "cannot rename " + from.string() + " to " + to.string() + ": " + errnoText(errno);
    return false;
}
