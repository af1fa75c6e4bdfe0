#pragma once
// What kivren-sim needs of the operating system: Ctrl-C, whether the output
// is a terminal, finding and running programs, and the CPU time of the
// children (the encoders) once they have ended.

#include <filesystem>
#include <optional>
#include <string>

// From now on Ctrl-C (SIGINT, or the console's control event on Windows)
// only raises a flag; a second one ends the program as usual.
void installInterruptHandler();
bool interruptRequested();

bool standardOutputIsTerminal();

// The program as the plugin will start it: a path, or a name looked up on PATH.
std::optional<std::filesystem::path> findProgram(const std::string& program);

// Runs a command line through the system's shell; its standard output, or
// nothing when it could not run or failed.
std::optional<std::string> commandOutput(const std::string& commandLine);

// A path quoted for commandOutput's shell.
std::string shellQuoted(const std::string& path);

// User plus system CPU seconds of the ended child processes; negative where
// the system does not tell.
double endedChildrenCpuSeconds();
