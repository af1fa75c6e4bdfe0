#pragma once
// The system services behind the encoders: a child process reading an
// anonymous pipe as its standard input, writes into that pipe, waiting for
// children, and the folder check made before a recording starts.

#include "recording/recording_types.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct ChildLaunch {
    enum class Failure { none, pipe, process };
    Failure failure = Failure::none;
    std::uint32_t systemError = 0; // GetLastError() or errno of the failed step
    NativeHandle pipe = invalidPipe;
    NativeHandle process = noProcess;
};

// Starts the program named by the command line's first word (searched on the
// PATH when it names no folder) with the read end of a new pipe as standard
// input and standard output and error going nowhere; only that read end
// passes to the child. The command line is never given to a shell.
ChildLaunch startChildProcess(const std::string& commandLine);

struct PipeWrite {
    std::size_t written = 0;
    std::uint32_t systemError = 0; // 0 when every byte was written
};

// Writes the whole buffer, looping over short writes. A reader that has gone
// gives an error, never a signal.
PipeWrite writeToPipe(NativeHandle pipe, const std::uint8_t* data, std::size_t size);

void closePipe(NativeHandle pipe);

struct ChildExit {
    std::int64_t status = 0; // exit code, or the signal number when signalled
    bool signalled = false;

    bool failed() const { return signalled || status != 0; }
};

// Waits, without a time limit, until every child has ended; their exits in
// the same order.
std::vector<ChildExit> waitForChildren(std::span<const NativeHandle> processes);

void closeProcess(NativeHandle process);

// True when the folder exists; the name is in the process's code page.
bool folderExists(const std::string& folder);
// True when anything (a file, a folder, a link) has this name.
bool pathExists(const std::string& path);
