#pragma once
// How the host's console reads a line: commands separated by ";" and words
// separated by blanks, a double-quoted stretch being one word (quotes removed).

#include <string>
#include <vector>

std::vector<std::string> splitConsoleCommands(const std::string& line);
std::vector<std::string> splitConsoleWords(const std::string& command);
