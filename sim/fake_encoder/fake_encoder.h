#pragma once
// What the stand-in encoder needs of its system.

#include <cstddef>
#include <string>
#include <vector>

// The command line split into words: by our Windows rules from the raw
// command line on Windows, as the system passed them elsewhere.
std::vector<std::string> commandWords(int argc, char** argv);
// Up to size bytes of standard input; 0 at its end.
std::size_t readInput(char* buffer, std::size_t size);
void pause(int milliseconds);
// Ends the process at once, as a kill from outside would.
[[noreturn]] void dieAbruptly();
