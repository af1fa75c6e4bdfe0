// Children through posix_spawnp: no shell, the PATH searched as the Windows
// loader would, nothing of the host inherited but the pipe's read end.
#include "recording/encoder_process.h"

#include "formats/encoder_command_line.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

extern char** environ;

namespace {

// A larger pipe lets FFmpeg take a good part of a frame per read.
constexpr int pipeCapacity = 1 << 20;

struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    int error = 0;

    SpawnSetup(int childInput, int childErrors) {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        error = posix_spawn_file_actions_adddup2(&actions, childInput, STDIN_FILENO);
        if (!error)
            error =
                posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        if (!error)
            error = posix_spawn_file_actions_adddup2(&actions, childErrors, STDERR_FILENO);
        // Descriptors the host opened without close-on-exec stay behind too,
        // among them the write ends of the other passes' pipes.
        if (!error)
            error = posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
        // The child starts with no blocked signals and SIGPIPE at its default,
        // whatever the host does with them.
        sigset_t none, pipeSignal;
        sigemptyset(&none);
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        if (!error)
            error = posix_spawnattr_setsigmask(&attributes, &none);
        if (!error)
            error = posix_spawnattr_setsigdefault(&attributes, &pipeSignal);
        // A group of its own, as a Windows child without a console: a
        // terminal's Ctrl-C goes to the host, which ends the recording and
        // then the encoders in order, never to an encoder in mid-file.
        if (!error)
            error = posix_spawnattr_setpgroup(&attributes, 0);
        if (!error)
            error = posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK |
                                                              POSIX_SPAWN_SETSIGDEF |
                                                              POSIX_SPAWN_SETPGROUP);
    }
    ~SpawnSetup() {
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

} // namespace

ChildLaunch startChildProcess(const std::string& commandLine) {
    ChildLaunch launch;
    std::vector<std::string> words = splitCommandLine(commandLine);
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    int fds[2];
    int errorFds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        launch.failure = ChildLaunch::Failure::Pipe;
        launch.systemError = static_cast<std::uint32_t>(errno);
        return launch;
    }
    if (pipe2(errorFds, O_CLOEXEC) != 0) {
        launch.failure = ChildLaunch::Failure::Pipe;
        launch.systemError = static_cast<std::uint32_t>(errno);
        close(fds[0]);
        close(fds[1]);
        return launch;
    }
    fcntl(fds[1], F_SETPIPE_SZ, pipeCapacity);

    pid_t pid = 0;
    int error = ENOENT;
    if (!words.front().empty()) {
        SpawnSetup setup(fds[0], errorFds[1]);
        error = setup.error;
        if (!error)
            error = posix_spawnp(&pid, argv[0], &setup.actions, &setup.attributes, argv.data(),
                                 environ);
    }
    close(fds[0]);
    close(errorFds[1]);
    if (error) {
        close(fds[1]);
        close(errorFds[0]);
        launch.failure = ChildLaunch::Failure::Process;
        launch.systemError = static_cast<std::uint32_t>(error);
        return launch;
    }
    launch.pipe = fds[1];
    launch.errorOutput = errorFds[0];
    launch.process = pid;
    return launch;
}

PipeWrite writeToPipe(NativeHandle pipe, const std::uint8_t* data, std::size_t size) {
    // A write to a pipe whose reader has gone raises SIGPIPE in the writing
    // thread, which would end the host. Blocked, it stays pending and is
    // taken back below; the write reports EPIPE instead.
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);

    PipeWrite result;
    while (result.written < size) {
        const ssize_t n =
            write(static_cast<int>(pipe), data + result.written, size - result.written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            result.systemError = static_cast<std::uint32_t>(errno);
            break;
        }
        result.written += static_cast<std::size_t>(n);
    }

    if (result.systemError == EPIPE && !sigismember(&previous, SIGPIPE)) {
        const timespec noWait{};
        while (sigtimedwait(&pipeSignal, nullptr, &noWait) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return result;
}

void closePipe(NativeHandle pipe) {
    close(static_cast<int>(pipe));
}

OutputRead readChildOutput(NativeHandle output, char* buffer, std::size_t size,
                           int waitMilliseconds) {
    OutputRead result;
    pollfd ready{static_cast<int>(output), POLLIN, 0};
    const int polled = poll(&ready, 1, waitMilliseconds);
    if (polled <= 0)
        return result; // nothing yet (or interrupted): the caller asks again
    const ssize_t n = read(static_cast<int>(output), buffer, size);
    if (n > 0)
        result.bytes = static_cast<std::size_t>(n);
    else if (n == 0 || errno != EINTR)
        result.ended = true;
    return result;
}

bool childEnded(NativeHandle process, ChildExit& exit) {
    int status = 0;
    pid_t reaped;
    do {
        reaped = waitpid(static_cast<pid_t>(process), &status, WNOHANG);
    } while (reaped < 0 && errno == EINTR);
    if (reaped == 0)
        return false;
    exit = {};
    // A host that ignores SIGCHLD has its children reaped for it (ECHILD):
    // their status is gone and counts as a clean exit.
    if (reaped > 0 && WIFEXITED(status)) {
        exit.status = WEXITSTATUS(status);
    } else if (reaped > 0 && WIFSIGNALED(status)) {
        exit.status = WTERMSIG(status);
        exit.signalled = true;
    }
    return true;
}

namespace {

// Numbers from a /proc file of the child; 0 for what cannot be read.
std::uint64_t procNumbers(const std::string& path, const char* const* names, std::size_t count) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file)
        return 0;
    std::uint64_t total = 0;
    char line[512];
    while (std::fgets(line, sizeof(line), file)) {
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t length = std::strlen(names[i]);
            if (std::strncmp(line, names[i], length) == 0)
                total += std::strtoull(line + length, nullptr, 10);
        }
    }
    std::fclose(file);
    return total;
}

// utime and stime, the 14th and 15th fields of /proc/<pid>/stat, counted
// after the command name, which is in parentheses and may hold spaces.
std::uint64_t processorTicks(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file)
        return 0;
    char text[1024] = {};
    const std::size_t n = std::fread(text, 1, sizeof(text) - 1, file);
    std::fclose(file);
    text[n] = '\0';
    const char* field = std::strrchr(text, ')');
    if (!field)
        return 0;
    std::uint64_t ticks = 0;
    // After ')': field 3 (state) is the first; utime is field 14, stime 15.
    for (int number = 2; number <= 15 && field; ++number) {
        field = std::strchr(field + 1, ' ');
        if (field && (number == 13 || number == 14))
            ticks += std::strtoull(field + 1, nullptr, 10);
    }
    return ticks;
}

} // namespace

ChildActivity childActivity(NativeHandle process) {
    const std::string folder = "/proc/" + std::to_string(process);
    static constexpr const char* transfers[] = {"rchar:", "wchar:"};
    static const auto nanosecondsPerTick =
        static_cast<std::uint64_t>(1'000'000'000 / std::max(sysconf(_SC_CLK_TCK), 1L));
    return {processorTicks(folder + "/stat") * nanosecondsPerTick,
            procNumbers(folder + "/io", transfers, 2)};
}

void terminateChild(NativeHandle process) {
    // Never reaped before childEnded says so, so the pid is still ours.
    kill(static_cast<pid_t>(process), SIGKILL);
}

// childEnded has already released the child.
void closeProcess(NativeHandle) {}

bool folderExists(const std::string& folder) {
    struct stat info {};
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool pathExists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}
