// The Win32 half of std::filesystem. Microsoft's STL keeps it in the static
// part of its import library; these are the same entry points, written over
// the Win32 file API. Errors are the Win32 codes the STL turns into
// error_code values.
#include <windows.h>

#include <xfilesystem_abi.h>

#include <string.h>

namespace {

__std_win_error lastError() noexcept {
    return static_cast<__std_win_error>(GetLastError());
}

HANDLE toHandle(__std_fs_file_handle handle) noexcept {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle));
}

long long fileTimeValue(const FILETIME& time) noexcept {
    return static_cast<long long>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) |
                                  time.dwLowDateTime);
}

// What the file itself says about itself (the target of a link unless
// openFlags asks for the link).
__std_win_error fileInformation(const wchar_t* path, DWORD openFlags,
                                BY_HANDLE_FILE_INFORMATION& info) noexcept {
    const HANDLE file = CreateFileW(path, FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, openFlags, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return lastError();
    const BOOL ok = GetFileInformationByHandle(file, &info);
    const DWORD error = GetLastError();
    CloseHandle(file);
    return ok ? __std_win_error::_Success : static_cast<__std_win_error>(error);
}

bool wants(__std_fs_stats_flags flags, __std_fs_stats_flags flag) noexcept {
    return (static_cast<unsigned long>(flags) & static_cast<unsigned long>(flag)) != 0;
}

} // namespace

extern "C" {

__std_ulong_and_error __stdcall __std_fs_get_full_path_name(const wchar_t* source,
                                                            unsigned long size,
                                                            wchar_t* target) noexcept {
    const DWORD length = GetFullPathNameW(source, size, target, nullptr);
    if (length == 0)
        return {0, lastError()};
    return {length, __std_win_error::_Success};
}

__std_win_error __stdcall __std_fs_open_handle(__std_fs_file_handle* handle, const wchar_t* name,
                                               __std_access_rights access,
                                               __std_fs_file_flags flags) noexcept {
    const HANDLE opened = CreateFileW(name, static_cast<DWORD>(access),
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, static_cast<DWORD>(flags), nullptr);
    *handle = static_cast<__std_fs_file_handle>(reinterpret_cast<intptr_t>(opened));
    return opened == INVALID_HANDLE_VALUE ? lastError() : __std_win_error::_Success;
}

void __stdcall __std_fs_close_handle(__std_fs_file_handle handle) noexcept {
    if (handle != __std_fs_file_handle::_Invalid)
        CloseHandle(toHandle(handle));
}

__std_win_error __stdcall __std_fs_get_file_attributes_by_handle(
    __std_fs_file_handle handle, unsigned long* attributes) noexcept {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(toHandle(handle), &info))
        return lastError();
    *attributes = info.dwFileAttributes;
    return __std_win_error::_Success;
}

__std_ulong_and_error __stdcall __std_fs_get_final_path_name_by_handle(
    __std_fs_file_handle handle, wchar_t* target, unsigned long size,
    __std_fs_volume_name_kind kind) noexcept {
    const DWORD length =
        GetFinalPathNameByHandleW(toHandle(handle), target, size, static_cast<DWORD>(kind));
    if (length == 0)
        return {0, lastError()};
    return {length, __std_win_error::_Success};
}

__std_fs_copy_file_result __stdcall __std_fs_copy_file(const wchar_t* source, const wchar_t* target,
                                                       __std_fs_copy_options options) noexcept {
    const auto existing = static_cast<__std_fs_copy_options>(
        static_cast<int>(options) & static_cast<int>(__std_fs_copy_options::_Existing_mask));
    if (CopyFileW(source, target, TRUE))
        return {true, __std_win_error::_Success};
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
        return {false, static_cast<__std_win_error>(error)};
    switch (existing) {
    case __std_fs_copy_options::_Skip_existing:
        return {false, __std_win_error::_Success};
    case __std_fs_copy_options::_Update_existing: {
        WIN32_FILE_ATTRIBUTE_DATA from{}, to{};
        if (!GetFileAttributesExW(source, GetFileExInfoStandard, &from) ||
            !GetFileAttributesExW(target, GetFileExInfoStandard, &to))
            return {false, lastError()};
        if (fileTimeValue(from.ftLastWriteTime) <= fileTimeValue(to.ftLastWriteTime))
            return {false, __std_win_error::_Success};
        break;
    }
    case __std_fs_copy_options::_Overwrite_existing:
        break;
    default:
        return {false, __std_win_error::_File_exists};
    }
    if (!CopyFileW(source, target, FALSE))
        return {false, lastError()};
    return {true, __std_win_error::_Success};
}

__std_win_error __stdcall __std_fs_directory_iterator_open(const wchar_t* pattern,
                                                           __std_fs_dir_handle* handle,
                                                           __std_fs_find_data* results) noexcept {
    __std_fs_directory_iterator_close(*handle);
    static_assert(sizeof(__std_fs_find_data) == sizeof(WIN32_FIND_DATAW));
    const HANDLE found =
        FindFirstFileExW(pattern, FindExInfoBasic, reinterpret_cast<WIN32_FIND_DATAW*>(results),
                         FindExSearchNameMatch, nullptr, 0);
    if (found == INVALID_HANDLE_VALUE) {
        *handle = __std_fs_dir_handle::_Invalid;
        return lastError();
    }
    *handle = static_cast<__std_fs_dir_handle>(reinterpret_cast<intptr_t>(found));
    return __std_win_error::_Success;
}

void __stdcall __std_fs_directory_iterator_close(__std_fs_dir_handle handle) noexcept {
    if (handle != __std_fs_dir_handle::_Invalid)
        FindClose(reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle)));
}

__std_win_error __stdcall __std_fs_directory_iterator_advance(
    __std_fs_dir_handle handle, __std_fs_find_data* results) noexcept {
    if (!FindNextFileW(reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle)),
                       reinterpret_cast<WIN32_FIND_DATAW*>(results)))
        return lastError();
    return __std_win_error::_Success;
}

__std_win_error __stdcall __std_fs_get_stats(const wchar_t* path, __std_fs_stats* stats,
                                             __std_fs_stats_flags flags,
                                             __std_fs_file_attr) noexcept {
    const bool follow = wants(flags, __std_fs_stats_flags::_Follow_symlinks);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data))
        return lastError();

    unsigned long attributes = data.dwFileAttributes;
    unsigned long long size =
        (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    long long writeTime = fileTimeValue(data.ftLastWriteTime);
    unsigned long links = 1;
    const bool isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;

    // A link followed, or a link count asked for, needs the file itself.
    if ((follow && isLink) || wants(flags, __std_fs_stats_flags::_Link_count)) {
        const DWORD openFlags =
            FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
        BY_HANDLE_FILE_INFORMATION info{};
        if (const auto error = fileInformation(path, openFlags, info);
            error != __std_win_error::_Success)
            return error;
        attributes = info.dwFileAttributes;
        size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        writeTime = fileTimeValue(info.ftLastWriteTime);
        links = info.nNumberOfLinks;
    }

    __std_fs_reparse_tag tag = __std_fs_reparse_tag::_None;
    if (wants(flags, __std_fs_stats_flags::_Reparse_tag) &&
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW find{};
        const HANDLE found =
            FindFirstFileExW(path, FindExInfoBasic, &find, FindExSearchNameMatch, nullptr, 0);
        if (found == INVALID_HANDLE_VALUE)
            return lastError();
        FindClose(found);
        tag = static_cast<__std_fs_reparse_tag>(find.dwReserved0);
    }

    stats->_Attributes = static_cast<__std_fs_file_attr>(attributes);
    stats->_Reparse_point_tag = tag;
    stats->_File_size = size;
    stats->_Last_write_time = writeTime;
    stats->_Link_count = links;
    stats->_Available = static_cast<__std_fs_stats_flags>(
        static_cast<unsigned long>(flags) &
        ~static_cast<unsigned long>(__std_fs_stats_flags::_Follow_symlinks));
    return __std_win_error::_Success;
}

__std_code_page __stdcall __std_fs_code_page() noexcept {
    return static_cast<__std_code_page>(AreFileApisANSI() ? GetACP() : GetOEMCP());
}

__std_fs_convert_result __stdcall __std_fs_convert_narrow_to_wide(__std_code_page page,
                                                                  const char* input,
                                                                  int inputLength, wchar_t* output,
                                                                  int outputLength) noexcept {
    if (inputLength == 0)
        return {0, __std_win_error::_Success};
    const int length = MultiByteToWideChar(static_cast<UINT>(page), MB_ERR_INVALID_CHARS, input,
                                           inputLength, output, outputLength);
    if (length == 0)
        return {0, lastError()};
    return {length, __std_win_error::_Success};
}

namespace {
__std_fs_convert_result wideToNarrow(__std_code_page page, const wchar_t* input, int inputLength,
                                     char* output, int outputLength, bool replace) noexcept {
    if (inputLength == 0)
        return {0, __std_win_error::_Success};
    if (page == __std_code_page::_Utf8) {
        const int length = WideCharToMultiByte(CP_UTF8, replace ? 0 : WC_ERR_INVALID_CHARS, input,
                                               inputLength, output, outputLength, nullptr, nullptr);
        if (length == 0)
            return {0, lastError()};
        return {length, __std_win_error::_Success};
    }
    // Other code pages cannot report invalid characters directly: a default
    // character used means the text does not convert.
    BOOL usedDefault = FALSE;
    const int length =
        WideCharToMultiByte(static_cast<UINT>(page), WC_NO_BEST_FIT_CHARS, input, inputLength,
                            output, outputLength, nullptr, replace ? nullptr : &usedDefault);
    if (length == 0)
        return {0, lastError()};
    if (usedDefault)
        return {0, static_cast<__std_win_error>(ERROR_NO_UNICODE_TRANSLATION)};
    return {length, __std_win_error::_Success};
}
} // namespace

__std_fs_convert_result __stdcall __std_fs_convert_wide_to_narrow(__std_code_page page,
                                                                  const wchar_t* input,
                                                                  int inputLength, char* output,
                                                                  int outputLength) noexcept {
    return wideToNarrow(page, input, inputLength, output, outputLength, false);
}

__std_fs_convert_result __stdcall __std_fs_convert_wide_to_narrow_replace_chars(
    __std_code_page page, const wchar_t* input, int inputLength, char* output,
    int outputLength) noexcept {
    return wideToNarrow(page, input, inputLength, output, outputLength, true);
}

__std_win_error __stdcall __std_fs_get_file_id(__std_fs_file_id* id, const wchar_t* path) noexcept {
    BY_HANDLE_FILE_INFORMATION info{};
    if (const auto error = fileInformation(path, FILE_FLAG_BACKUP_SEMANTICS, info);
        error != __std_win_error::_Success)
        return error;
    id->_Volume_serial_number = info.dwVolumeSerialNumber;
    memset(id->_Id, 0, sizeof(id->_Id));
    const unsigned long long index =
        (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    memcpy(id->_Id, &index, sizeof(index));
    return __std_win_error::_Success;
}

__std_win_error __stdcall __std_fs_set_last_write_time(long long time,
                                                       const wchar_t* path) noexcept {
    const HANDLE file = CreateFileW(path, FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return lastError();
    FILETIME value{static_cast<DWORD>(time),
                   static_cast<DWORD>(static_cast<unsigned long long>(time) >> 32)};
    const BOOL ok = SetFileTime(file, nullptr, nullptr, &value);
    const DWORD error = GetLastError();
    CloseHandle(file);
    return ok ? __std_win_error::_Success : static_cast<__std_win_error>(error);
}

__std_win_error __stdcall __std_fs_change_permissions(const wchar_t* path, bool,
                                                      bool readOnly) noexcept {
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return lastError();
    const DWORD wanted =
        readOnly ? (attributes | FILE_ATTRIBUTE_READONLY) : (attributes & ~FILE_ATTRIBUTE_READONLY);
    if (wanted != attributes && !SetFileAttributesW(path, wanted))
        return lastError();
    return __std_win_error::_Success;
}

__std_ulong_and_error __stdcall __std_fs_get_temp_path(wchar_t* target) noexcept {
    const DWORD length = GetTempPathW(static_cast<DWORD>(__std_fs_temp_path_max), target);
    if (length == 0)
        return {0, lastError()};
    return {length, __std_win_error::_Success};
}

__std_ulong_and_error __stdcall __std_fs_get_current_path(unsigned long size,
                                                          wchar_t* target) noexcept {
    const DWORD length = GetCurrentDirectoryW(size, target);
    if (length == 0)
        return {0, lastError()};
    return {length, __std_win_error::_Success};
}

__std_win_error __stdcall __std_fs_set_current_path(const wchar_t* target) noexcept {
    return SetCurrentDirectoryW(target) ? __std_win_error::_Success : lastError();
}

__std_fs_create_directory_result __stdcall __std_fs_create_directory(
    const wchar_t* directory) noexcept {
    if (CreateDirectoryW(directory, nullptr))
        return {true, __std_win_error::_Success};
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS) {
        // An existing directory is success without creation; a file of
        // that name is an error.
        const DWORD attributes = GetFileAttributesW(directory);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return {false, __std_win_error::_Success};
    }
    return {false, static_cast<__std_win_error>(error)};
}

__std_fs_remove_result __stdcall __std_fs_remove(const wchar_t* target) noexcept {
    const DWORD attributes = GetFileAttributesW(target);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const auto error = lastError();
        // Removing what is not there is not an error; it removes nothing.
        if (__std_is_file_not_found(error))
            return {false, __std_win_error::_Success};
        return {false, error};
    }
    const BOOL ok =
        (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(target) : DeleteFileW(target);
    if (!ok)
        return {false, lastError()};
    return {true, __std_win_error::_Success};
}

__std_win_error __stdcall __std_fs_rename(const wchar_t* source, const wchar_t* target) noexcept {
    return MoveFileExW(source, target, MOVEFILE_REPLACE_EXISTING) ? __std_win_error::_Success
                                                                  : lastError();
}

__std_win_error __stdcall __std_fs_resize_file(const wchar_t* target, uintmax_t size) noexcept {
    const HANDLE file =
        CreateFileW(target, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return lastError();
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(size);
    const BOOL ok = SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    const DWORD error = GetLastError();
    CloseHandle(file);
    return ok ? __std_win_error::_Success : static_cast<__std_win_error>(error);
}

__std_win_error __stdcall __std_fs_space(const wchar_t* target, uintmax_t* available,
                                         uintmax_t* total, uintmax_t* free) noexcept {
    ULARGE_INTEGER availableBytes{}, totalBytes{}, freeBytes{};
    if (!GetDiskFreeSpaceExW(target, &availableBytes, &totalBytes, &freeBytes)) {
        *available = *total = *free = static_cast<uintmax_t>(-1);
        return lastError();
    }
    *available = availableBytes.QuadPart;
    *total = totalBytes.QuadPart;
    *free = freeBytes.QuadPart;
    return __std_win_error::_Success;
}

__std_win_error __stdcall __std_fs_create_hard_link(const wchar_t* name,
                                                    const wchar_t* existing) noexcept {
    return CreateHardLinkW(name, existing, nullptr) ? __std_win_error::_Success : lastError();
}

__std_win_error __stdcall __std_fs_create_symbolic_link(const wchar_t* name,
                                                        const wchar_t* target) noexcept {
    return CreateSymbolicLinkW(name, target, 0) ? __std_win_error::_Success : lastError();
}

__std_win_error __stdcall __std_fs_create_directory_symbolic_link(const wchar_t* name,
                                                                  const wchar_t* target) noexcept {
    return CreateSymbolicLinkW(name, target, SYMBOLIC_LINK_FLAG_DIRECTORY)
               ? __std_win_error::_Success
               : lastError();
}

} // extern "C"
