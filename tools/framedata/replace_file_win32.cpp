#include "output_files.h"

#include "system/system_error_text.h"

#include <windows.h>

#include <string>

bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to,
                 std::string& error) {
    // The C library's rename refuses an existing target on Windows.
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    error = "cannot rename " + from.string() + " to " + to.string() + ": " +
            systemErrorText(GetLastError());
    return false;
}
