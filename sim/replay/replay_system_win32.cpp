#include "replay_system.h"

#include <windows.h>

#include <io.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<bool> interrupted{false};

BOOL WINAPI onControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    // The second Ctrl-C falls through to the default handler, which ends us.
    return interrupted.exchange(true) ? FALSE : TRUE;
}

bool isFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace

void installInterruptHandler() {
    SetConsoleCtrlHandler(onControl, TRUE);
}

bool interruptRequested() {
    return interrupted.load();
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
