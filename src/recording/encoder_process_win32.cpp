// Children through CreateProcessA: two inheritable anonymous pipes whose
// plugin ends are made private again, so that only the child's ends reach it.
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

namespace {

// An anonymous pipe whose one end passes to a child and whose other stays
// with the plugin, made private again so that no other child inherits it.
bool createChildPipe(HANDLE& readEnd, HANDLE& writeEnd, bool childReads) {
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof(security);
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = TRUE;
    if (!CreatePipe(&readEnd, &writeEnd, &security, 0))
        return false;
    SetHandleInformation(childReads ? writeEnd : readEnd, HANDLE_FLAG_INHERIT, 0);
    return true;
}

} // namespace

ChildLaunch startChildProcess(const std::string& commandLine) {
    ChildLaunch launch;
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    HANDLE errorRead = nullptr;
    HANDLE errorWrite = nullptr;
    if (!createChildPipe(readEnd, writeEnd, true)) {
        launch.failure = ChildLaunch::Failure::Pipe;
        launch.systemError = GetLastError();
        return launch;
    }
    if (!createChildPipe(errorRead, errorWrite, false)) {
        launch.failure = ChildLaunch::Failure::Pipe;
        launch.systemError = GetLastError();
        CloseHandle(readEnd);
        CloseHandle(writeEnd);
        return launch;
    }

    // CreateProcessA may write into the command line it is given.
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = readEnd;
    startup.hStdOutput = INVALID_HANDLE_VALUE;
    startup.hStdError = errorWrite;

    PROCESS_INFORMATION process{};
    const BOOL created = CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    const DWORD error = created ? 0 : GetLastError();
    // The child holds its own copies now; ours would keep its input open
    // and its error output from ever ending.
    CloseHandle(readEnd);
    CloseHandle(errorWrite);
    if (!created) {
        CloseHandle(writeEnd);
        CloseHandle(errorRead);
        launch.failure = ChildLaunch::Failure::Process;
        launch.systemError = error;
        return launch;
    }
    CloseHandle(process.hThread);
    launch.pipe = fromHandle(writeEnd);
    launch.errorOutput = fromHandle(errorRead);
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

// Anonymous pipes know no overlapped reads: the reader peeks, and reads only
// what is there, so that it never blocks and can be told to stop.
OutputRead readChildOutput(NativeHandle output, char* buffer, std::size_t size,
                           int waitMilliseconds) {
    OutputRead result;
    constexpr DWORD pollInterval = 10;
    for (int waited = 0;; waited += static_cast<int>(pollInterval)) {
        DWORD available = 0;
        if (!PeekNamedPipe(toHandle(output), nullptr, 0, nullptr, &available, nullptr)) {
            result.ended = true; // ERROR_BROKEN_PIPE: the child's end is closed
            return result;
        }
        if (available > 0)
            break;
        if (waited >= waitMilliseconds)
            return result;
        Sleep(pollInterval);
    }
    DWORD n = 0;
    const DWORD request = size > 0x10000 ? 0x10000 : static_cast<DWORD>(size);
    if (!ReadFile(toHandle(output), buffer, request, &n, nullptr))
        result.ended = true;
    result.bytes = n;
    return result;
}

bool childEnded(NativeHandle process, ChildExit& exit) {
    if (WaitForSingleObject(toHandle(process), 0) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    exit = {};
    if (GetExitCodeProcess(toHandle(process), &code))
        exit.status = code;
    return true;
}

ChildActivity childActivity(NativeHandle process) {
    ChildActivity activity;
    FILETIME created{}, ended{}, kernel{}, user{};
    if (GetProcessTimes(toHandle(process), &created, &ended, &kernel, &user)) {
        // FILETIME counts 100 ns.
        activity.processorNanoseconds =
            ((std::uint64_t{kernel.dwHighDateTime} << 32) + kernel.dwLowDateTime +
             (std::uint64_t{user.dwHighDateTime} << 32) + user.dwLowDateTime) *
            100;
    }
    IO_COUNTERS io{};
    if (GetProcessIoCounters(toHandle(process), &io))
        activity.bytesTransferred =
            io.ReadTransferCount + io.WriteTransferCount + io.OtherTransferCount;
    return activity;
}

void terminateChild(NativeHandle process) {
    // 9, as the kill that ends a POSIX child is numbered.
    TerminateProcess(toHandle(process), 9);
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
