#include "fake_encoder.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

std::vector<std::string> commandWords(int argc, char** argv) {
    return {argv, argv + argc};
}

std::size_t readInput(char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, buffer, size);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR)
            return 0;
    }
}

void pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void dieAbruptly() {
    raise(SIGKILL);
    _exit(137);
}
