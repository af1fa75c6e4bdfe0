#pragma once
// What kivren-sim needs of the operating system: stopping on Ctrl-C and its
// kin, whether the output is a terminal, finding and running programs, and
// the CPU time of the children (the encoders) once they have ended.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// From now on Ctrl-C (SIGINT), SIGTERM and SIGHUP (on Windows the console's
// Ctrl-C, Ctrl-Break and close events) only raise a flag, on which the run
// stops as it does at its end: the recording stopped, the files closed. A
// second one before the program has ended ends it at once: it prints the
// note set below, ends every child process and removes the temporary folder.
void installInterruptHandler();
bool interruptRequested();
// The line a hard stop prints, saying what may be incomplete.
void setHardStopNote(const std::string& line);
// A folder of the run's own that a hard stop removes.
void setTemporaryFolder(const std::filesystem::path& folder);
// Called when the run has ended; on Windows a console that is being closed
// waits for this before the process goes.
void runEnded();

bool standardOutputIsTerminal();

// The program as the plugin will start it: a path, or a name looked up on PATH.
std::optional<std::filesystem::path> findProgram(const std::string& program);

// What a program printed and how it ended.
struct ProgramRun {
    int exitCode = -1;  // -1 when it did not start or did not exit normally (a crash, a signal)
    std::string output; // standard output, with standard error when it is shown
};

enum class ChildStreams {
    // As a shell runs a program: this program's standard input, standard
    // error interleaved with standard output.
    AsFromShell,
    // A program asked a question: standard input and standard error go
    // nowhere (and on Windows it gets no console window).
    Quiet,
};

// Runs a program with these arguments, never through a shell, so that no
// character of a path means anything; in workingFolder when one is given.
ProgramRun runProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                      const std::filesystem::path& workingFolder = {},
                      ChildStreams streams = ChildStreams::AsFromShell);

// A quiet program's standard output, or nothing when it could not run or failed.
std::optional<std::string> programOutput(const std::filesystem::path& program,
                                         const std::vector<std::string>& args);

// Runs a command line through the system's shell; its standard output, or
// nothing when it could not run or failed.
std::optional<std::string> commandOutput(const std::string& commandLine);

// A path quoted for commandOutput's shell.
std::string shellQuoted(const std::string& path);

// User plus system CPU seconds of the ended child processes; negative where
// the system does not tell.
double endedChildrenCpuSeconds();
