#include "copy_prefix.h"

#include "system/system_error_text.h"

#include <windows.h>

bool copyFilePrefix(const std::filesystem::path& from, const std::filesystem::path& to,
                    std::uint64_t bytes, std::string& error) {
    // The system's own copy (which shares the blocks on a Dev Drive), then
    // the end cut off.
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) {
        error = systemErrorText(GetLastError());
        return false;
    }
    const HANDLE file = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = systemErrorText(GetLastError());
        return false;
    }
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(bytes);
    const bool cut = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    if (!cut)
        error = systemErrorText(GetLastError());
    CloseHandle(file);
    return cut;
}
