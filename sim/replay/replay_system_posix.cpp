#include "replay_system.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int) {
    if (interrupted) {
        // The second Ctrl-C: the user no longer wants to wait for the stop.
        signal(SIGINT, SIG_DFL);
        raise(SIGINT);
        return;
    }
    interrupted = 1;
}

bool executable(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && access(path.c_str(), X_OK) == 0;
}

} // namespace

void installInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    // A pipe to an encoder that died must not end the program: the plugin
    // sees the failed write and reports it.
    signal(SIGPIPE, SIG_IGN);
}

bool interruptRequested() {
    return interrupted != 0;
}

bool standardOutputIsTerminal() {
    return isatty(STDOUT_FILENO) != 0;
}

std::optional<std::filesystem::path> findProgram(const std::string& program) {
    if (program.find('/') != std::string::npos) {
        if (executable(program))
            return std::filesystem::path(program);
        return std::nullopt;
    }
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = folders.find(':', start);
        const std::string folder = folders.substr(start, colon - start);
        const std::filesystem::path candidate =
            std::filesystem::path(folder.empty() ? "." : folder) / program;
        if (executable(candidate))
            return candidate;
        if (colon == std::string::npos)
            return std::nullopt;
        start = colon + 1;
    }
}

std::optional<std::string> commandOutput(const std::string& commandLine) {
    FILE* pipe = popen(commandLine.c_str(), "r");
    if (!pipe)
        return std::nullopt;
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    const int status = pclose(pipe);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return text;
}

std::string shellQuoted(const std::string& path) {
    std::string quoted = "'";
    for (char c : path) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

double endedChildrenCpuSeconds() {
    rusage usage{};
    if (getrusage(RUSAGE_CHILDREN, &usage) != 0)
        return -1.0;
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}
