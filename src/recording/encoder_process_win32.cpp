// Children through CreateProcessA: an inheritable anonymous pipe whose write
// end is made private again, so that only the read end reaches the child.
#include "recording/encoder_process.h"

#include <windows.h>

#include <vector>

namespace {

HANDLE toHandle(NativeHandle value) {
    return reinterpret_cast<HANDLE>(value);
}
NativeHandle fromHandle(HANDLE handle) {
    return reinterpret_cast<NativeHandle>(handle);
}

} // namespace

ChildLaunch startChildProcess(const std::string& commandLine) {
    ChildLaunch launch;
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof(security);
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = TRUE;
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &security, 0)) {
        launch.failure = ChildLaunch::Failure::pipe;
        launch.systemError = GetLastError();
        return launch;
    }
    SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);

    // CreateProcessA may write into the command line it is given.
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = readEnd;
    startup.hStdOutput = INVALID_HANDLE_VALUE;
    startup.hStdError = INVALID_HANDLE_VALUE;

    PROCESS_INFORMATION process{};
    const BOOL created = CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    const DWORD error = created ? 0 : GetLastError();
    CloseHandle(readEnd);
    if (!created) {
        CloseHandle(writeEnd);
        launch.failure = ChildLaunch::Failure::process;
        launch.systemError = error;
        return launch;
    }
    CloseHandle(process.hThread);
    launch.pipe = fromHandle(writeEnd);
    launch.process = fromHandle(process.hProcess);
    return launch;
}

PipeWrite writeToPipe(NativeHandle pipe, const std::uint8_t* data, std::size_t size) {
    PipeWrite result;
    while (result.written < size) {
        // WriteFile takes a 32-bit count.
        const std::size_t chunk = size - result.written;
        const DWORD request = chunk > 0x40000000u ? 0x40000000u : static_cast<DWORD>(chunk);
        DWORD done = 0;
        if (!WriteFile(toHandle(pipe), data + result.written, request, &done, nullptr)) {
            result.systemError = GetLastError();
            break;
        }
        if (done == 0) {
            result.systemError = ERROR_WRITE_FAULT;
            break;
        }
        result.written += done;
    }
    return result;
}

void closePipe(NativeHandle pipe) {
    CloseHandle(toHandle(pipe));
}

std::vector<ChildExit> waitForChildren(std::span<const NativeHandle> processes) {
    std::vector<HANDLE> handles;
    for (const NativeHandle process : processes)
        handles.push_back(toHandle(process));
    if (!handles.empty())
        WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, INFINITE);
    std::vector<ChildExit> exits;
    for (HANDLE handle : handles) {
        DWORD code = 0;
        ChildExit exit;
        if (GetExitCodeProcess(handle, &code))
            exit.status = code;
        exits.push_back(exit);
    }
    return exits;
}

void closeProcess(NativeHandle process) {
    CloseHandle(toHandle(process));
}

bool folderExists(const std::string& folder) {
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool pathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
