#include "console_words.h"

std::vector<std::string> splitConsoleCommands(const std::string& line) {
    std::vector<std::string> commands;
    std::string current;
    bool quoted = false;
    for (char c : line) {
        if (c == '"')
            quoted = !quoted;
        if (c == ';' && !quoted) {
            commands.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    commands.push_back(current);
    return commands;
}

std::vector<std::string> splitConsoleWords(const std::string& command) {
    std::vector<std::string> words;
    std::string current;
    bool quoted = false;
    bool inWord = false;
    for (char c : command) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
            if (inWord)
                words.push_back(current);
            current.clear();
            inWord = false;
        } else {
            current += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(current);
    return words;
}
