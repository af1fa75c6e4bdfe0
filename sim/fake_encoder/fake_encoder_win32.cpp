#include "fake_encoder.h"

#include "formats/encoder_command_line.h"

#include <windows.h>

std::vector<std::string> commandWords(int, char**) {
    return splitCommandLine(GetCommandLineA());
}

std::size_t readInput(char* buffer, std::size_t size) {
    DWORD n = 0;
    // The end of input shows as ERROR_BROKEN_PIPE once the writer closes its end.
    if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, static_cast<DWORD>(size), &n, nullptr))
        return 0;
    return n;
}

void pause(int milliseconds) {
    Sleep(static_cast<DWORD>(milliseconds));
}

void dieAbruptly() {
    TerminateProcess(GetCurrentProcess(), 9);
    ExitProcess(9);
}
