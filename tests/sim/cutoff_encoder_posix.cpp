// kivren-cutoff-ffmpeg: Debian's FFmpeg, killed part-way as a crash would
// kill it. It takes the encoder command line, runs FFmpeg with it and passes
// the frames on. When a file named as the output plus ".cutoff" holds a
// number N, FFmpeg is killed (SIGKILL) once its output holds N whole frames,
// and the rest of the input is read and dropped, so the plugin sees an
// encoder that took every frame. Without that file it passes everything on
// and exits as FFmpeg does.
#include "cut_off_movie.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

std::size_t wholeFrames(const std::string& output) {
    MovFile bytes(output);
    CutOffMovie movie;
    std::string why;
    return analyseCutOffMovie(bytes, movie, why) ? movie.frames.sizes.size() : 0;
}

bool readFully(int fd, char* buffer, std::size_t size) {
    for (std::size_t got = 0; got < size;) {
        const ssize_t n = read(fd, buffer + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

bool writeFully(int fd, const char* buffer, std::size_t size) {
    for (std::size_t put = 0; put < size;) {
        const ssize_t n = write(fd, buffer + put, size - put);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        put += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty())
        return 2;
    const std::string output = words.back();
    std::size_t frameBytes = 0;
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
        if (words[i] == "-video_size") {
            const auto x = words[i + 1].find('x');
            frameBytes =
                std::stoul(words[i + 1].substr(0, x)) * std::stoul(words[i + 1].substr(x + 1)) * 4;
        }
    }
    std::size_t cutAfter = 0;
    std::ifstream(output + ".cutoff") >> cutAfter;
    if (frameBytes == 0)
        return 2;

    int fds[2];
    if (pipe(fds) != 0)
        return 2;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::vector<char*> ffmpegArgs{const_cast<char*>("ffmpeg")};
    for (std::string& word : words)
        ffmpegArgs.push_back(word.data());
    ffmpegArgs.push_back(nullptr);
    pid_t ffmpeg = 0;
    if (posix_spawnp(&ffmpeg, "ffmpeg", &actions, nullptr, ffmpegArgs.data(), environ) != 0)
        return 2;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);

    std::vector<char> frame(frameBytes);
    std::size_t fed = 0;
    bool killed = false;
    while (readFully(STDIN_FILENO, frame.data(), frame.size())) {
        if (killed)
            continue;
        writeFully(fds[1], frame.data(), frame.size());
        ++fed;
        if (cutAfter == 0 || fed < cutAfter)
            continue;
        // FFmpeg keeps frames in hand (its threads, its file buffer): N reach
        // the disk some frames later. Given a few more, it is waited for.
        if (fed >= cutAfter + 8) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (wholeFrames(output) < cutAfter && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (wholeFrames(output) < cutAfter && fed < cutAfter + 8)
            continue;
        kill(ffmpeg, SIGKILL);
        killed = true;
    }
    close(fds[1]);
    int status = 0;
    while (waitpid(ffmpeg, &status, 0) < 0 && errno == EINTR) {
    }
    if (killed)
        return 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
