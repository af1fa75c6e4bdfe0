#include "replay_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>

extern char** environ;

namespace {

std::atomic<bool> interrupted{false};
// The signal handler only writes a byte here; a thread of its own reads it
// and does what may not be done inside a handler.
int signalPipe[2] = {-1, -1};

std::mutex hardStopMutex;
std::string hardStopNote;
std::filesystem::path temporaryFolder;

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
    errno = saved;
}

// Every process whose parent is this one, from /proc.
std::vector<pid_t> childProcesses() {
    std::vector<pid_t> children;
    DIR* proc = opendir("/proc");
    if (!proc)
        return children;
    const pid_t self = getpid();
    while (const dirent* entry = readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0')
            continue;
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string text;
        std::getline(stat, text);
        // "pid (name) state ppid ...": the name may hold spaces and parentheses.
        const auto close = text.rfind(')');
        if (close == std::string::npos)
            continue;
        char state = 0;
        long parent = 0;
        if (std::sscanf(text.c_str() + close + 1, " %c %ld", &state, &parent) == 2 &&
            parent == self)
            children.push_back(static_cast<pid_t>(pid));
    }
    closedir(proc);
    return children;
}

[[noreturn]] void hardStop() {
    std::lock_guard lock(hardStopMutex);
    const std::string line =
        (hardStopNote.empty() ? "kivren-sim: stopped at once" : hardStopNote) + "\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line.data(), line.size());
    // The folder goes while the stop is still held up by a child: once the
    // children are gone, the main thread would go on and write into it.
    if (!temporaryFolder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(temporaryFolder, ignored);
    }
    for (const pid_t child : childProcesses())
        kill(child, SIGKILL);
    _exit(130);
}

void watchSignals() {
    for (int seen = 0;;) {
        char byte = 0;
        const ssize_t n = read(signalPipe[0], &byte, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        if (++seen == 1)
            interrupted = true;
        else
            hardStop();
    }
}

bool executable(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && access(path.c_str(), X_OK) == 0;
}

} // namespace

void installInterruptHandler() {
    if (pipe2(signalPipe, O_CLOEXEC) != 0)
        return;
    std::thread(watchSignals).detach();
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    // A pipe to an encoder that died must not end the program: the plugin
    // sees the failed write and reports it.
    signal(SIGPIPE, SIG_IGN);
}

bool interruptRequested() {
    return interrupted.load();
}

void setHardStopNote(const std::string& line) {
    std::lock_guard lock(hardStopMutex);
    hardStopNote = line;
}

void setTemporaryFolder(const std::filesystem::path& folder) {
    std::lock_guard lock(hardStopMutex);
    temporaryFolder = folder;
}

void runEnded() {}

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

ProgramRun runProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                      const std::filesystem::path& workingFolder, ChildStreams streams) {
    const bool quiet = streams == ChildStreams::Quiet;
    ProgramRun run;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return run;
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    } else {
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    }
    if (!workingFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    // The child starts with the signals at their defaults, not this program's.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (error) {
        close(fds[0]);
        return run;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n > 0)
            run.output.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
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
