#pragma once
// Runs a program of the build (kivren-sim) as a child process, as a user
// would from a shell, and keeps what it printed.

#include <filesystem>
#include <string>
#include <vector>

struct ProgramRun {
    int exitCode = -1;  // -1 when it did not exit normally (a crash, a signal)
    std::string output; // standard output and standard error, interleaved
};

// In workingFolder when one is given.
ProgramRun runProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                      const std::filesystem::path& workingFolder = {});
