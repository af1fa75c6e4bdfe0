// Children through posix_spawnp: no shell, the PATH searched as the Windows
// loader would, nothing of the host inherited but the pipe's read end.
#include "recording/encoder_process.h"

#include "recording/command_line.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

extern char** environ;

namespace {

// A larger pipe lets FFmpeg take a good part of a frame per read.
constexpr int pipeCapacity = 1 << 20;

struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    int error = 0;

    explicit SpawnSetup(int childInput) {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        error = posix_spawn_file_actions_adddup2(&actions, childInput, STDIN_FILENO);
        if (!error)
            error =
                posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        if (!error)
            error =
                posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
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
        if (!error)
            error = posix_spawnattr_setflags(&attributes,
                                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
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
    if (pipe2(fds, O_CLOEXEC) != 0) {
        launch.failure = ChildLaunch::Failure::pipe;
        launch.systemError = static_cast<std::uint32_t>(errno);
        return launch;
    }
    fcntl(fds[1], F_SETPIPE_SZ, pipeCapacity);

    pid_t pid = 0;
    int error = ENOENT;
    if (!words.front().empty()) {
        SpawnSetup setup(fds[0]);
        error = setup.error;
        if (!error)
            error = posix_spawnp(&pid, argv[0], &setup.actions, &setup.attributes, argv.data(),
                                 environ);
    }
    close(fds[0]);
    if (error) {
        close(fds[1]);
        launch.failure = ChildLaunch::Failure::process;
        launch.systemError = static_cast<std::uint32_t>(error);
        return launch;
    }
    launch.pipe = fds[1];
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

std::vector<ChildExit> waitForChildren(std::span<const NativeHandle> processes) {
    std::vector<ChildExit> exits;
    for (const NativeHandle process : processes) {
        ChildExit exit;
        int status = 0;
        pid_t reaped;
        do {
            reaped = waitpid(static_cast<pid_t>(process), &status, 0);
        } while (reaped < 0 && errno == EINTR);
        // A host that ignores SIGCHLD has its children reaped for it: their
        // status is gone and counts as a clean exit.
        if (reaped > 0 && WIFEXITED(status)) {
            exit.status = WEXITSTATUS(status);
        } else if (reaped > 0 && WIFSIGNALED(status)) {
            exit.status = WTERMSIG(status);
            exit.signalled = true;
        }
        exits.push_back(exit);
    }
    return exits;
}

// waitpid has already released the child.
void closeProcess(NativeHandle) {}

bool folderExists(const std::string& folder) {
    struct stat info {};
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool pathExists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}
