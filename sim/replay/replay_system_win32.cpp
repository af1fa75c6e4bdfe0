#include "replay_system.h"

#include <windows.h>

#include <io.h>
#include <tlhelp32.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

std::atomic<int> interrupts{0};
std::mutex hardStopMutex;
std::string hardStopNote;
std::filesystem::path temporaryFolder;
// Set when the run has ended, for a console that is being closed.
HANDLE endedEvent = nullptr;

[[noreturn]] void hardStop() {
    std::lock_guard lock(hardStopMutex);
    const std::string line =
        (hardStopNote.empty() ? "kivren-sim: stopped at once" : hardStopNote) + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()),
              &written, nullptr);
    // The folder goes while the stop is still held up by a child: once the
    // children are gone, the main thread would go on and write into it.
    if (!temporaryFolder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(temporaryFolder, ignored);
    }
    // Every process whose parent is this one.
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32FirstW(snapshot, &entry); more;
             more = Process32NextW(snapshot, &entry)) {
            if (entry.th32ParentProcessID != GetCurrentProcessId())
                continue;
            if (HANDLE child = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID)) {
                TerminateProcess(child, 1);
                CloseHandle(child);
            }
        }
        CloseHandle(snapshot);
    }
    // At once: the plugin's threads may be stuck where an orderly exit would wait.
    TerminateProcess(GetCurrentProcess(), 130);
    ExitProcess(130);
}

// The system runs this on a thread of its own for each event.
BOOL WINAPI onControl(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        if (interrupts.fetch_add(1) > 0)
            hardStop();
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // The process ends when this returns; the system allows it a few
        // seconds, in which the run stops as on Ctrl-C.
        interrupts.fetch_add(1);
        if (endedEvent)
            WaitForSingleObject(endedEvent, 4500);
        return TRUE;
    default:
        return FALSE;
    }
}

bool isFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// One word of a command line as the C runtime splits it again.
std::wstring quoted(const std::wstring& word) {
    if (!word.empty() && word.find_first_of(L" \t\"") == std::wstring::npos)
        return word;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : word) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, L'\\');
    return out + L"\"";
}

} // namespace

void installInterruptHandler() {
    endedEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(onControl, TRUE);
}

bool interruptRequested() {
    return interrupts.load() > 0;
}

void setHardStopNote(const std::string& line) {
    std::lock_guard lock(hardStopMutex);
    hardStopNote = line;
}

void setTemporaryFolder(const std::filesystem::path& folder) {
    std::lock_guard lock(hardStopMutex);
    temporaryFolder = folder;
}

void runEnded() {
    if (endedEvent)
        SetEvent(endedEvent);
}

bool standardOutputIsTerminal() {
    return _isatty(_fileno(stdout)) != 0;
}

std::optional<std::filesystem::path> findProgram(const std::string& program) {
    const std::filesystem::path given(program);
    const bool hasExtension = given.has_extension();
    auto tryPath =
        [&](const std::filesystem::path& candidate) -> std::optional<std::filesystem::path> {
        if (isFile(candidate))
            return candidate;
        if (!hasExtension) {
            std::filesystem::path withExe = candidate;
            withExe += ".exe";
            if (isFile(withExe))
                return withExe;
        }
        return std::nullopt;
    };
    if (program.find_first_of("/\\:") != std::string::npos)
        return tryPath(given);
    // CreateProcess looks in the program's own folder and the current one first.
    if (auto found = tryPath(std::filesystem::current_path() / given))
        return found;
    const char* path = std::getenv("PATH");
    const std::string folders = path ? path : "";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t semicolon = folders.find(';', start);
        const std::string folder = folders.substr(start, semicolon - start);
        if (!folder.empty()) {
            if (auto found = tryPath(std::filesystem::path(folder) / given))
                return found;
        }
        if (semicolon == std::string::npos)
            break;
        start = semicolon + 1;
    }
    return std::nullopt;
}

ProgramRun runProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                      const std::filesystem::path& workingFolder, ChildStreams streams) {
    const bool quiet = streams == ChildStreams::Quiet;
    ProgramRun run;
    std::wstring line = quoted(program.wstring());
    for (const std::string& arg : args)
        line += L" " + quoted(std::filesystem::path(arg).wstring());

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return run;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE nul = INVALID_HANDLE_VALUE;
    if (quiet)
        nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = quiet ? nul : GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = quiet ? nul : writeEnd;
    PROCESS_INFORMATION process{};
    const std::wstring folder = workingFolder.wstring();
    const BOOL started =
        CreateProcessW(program.wstring().c_str(), line.data(), nullptr, nullptr, TRUE,
                       quiet ? CREATE_NO_WINDOW : 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    CloseHandle(writeEnd);
    if (nul != INVALID_HANDLE_VALUE)
        CloseHandle(nul);
    if (started) {
        char buffer[4096];
        DWORD n = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0)
            run.output.append(buffer, n);
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code))
            run.exitCode = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    return run;
}

std::optional<std::string> commandOutput(const std::string& commandLine) {
    // cmd.exe drops the outer quotes of /c's line, so the whole line gets a pair of its own.
    FILE* pipe = _popen(("\"" + commandLine + "\"").c_str(), "rb");
    if (!pipe)
        return std::nullopt;
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    if (_pclose(pipe) != 0)
        return std::nullopt;
    return text;
}

std::string shellQuoted(const std::string& path) {
    return "\"" + path + "\"";
}

double endedChildrenCpuSeconds() {
    return -1.0;
}
