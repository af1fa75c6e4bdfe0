#include "copy_prefix.h"

#include <windows.h>

namespace {

std::string systemMessage(DWORD code) {
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                   text, sizeof text, nullptr);
    std::string message(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message.empty() ? "system error " + std::to_string(code) : message;
}

} // namespace

bool copyFilePrefix(const std::filesystem::path& from, const std::filesystem::path& to,
                    std::uint64_t bytes, std::string& error) {
    // The system's own copy (which shares the blocks on a Dev Drive), then
    // the end cut off.
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) {
        error = systemMessage(GetLastError());
        return false;
    }
    const HANDLE file = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = systemMessage(GetLastError());
        return false;
    }
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(bytes);
    const bool cut = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    if (!cut)
        error = systemMessage(GetLastError());
    CloseHandle(file);
    return cut;
}
