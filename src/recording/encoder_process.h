#pragma once
// The system services behind the encoders: a child process reading an
// anonymous pipe as its standard input and writing its error output into
// another, writes into the one and reads from the other, watching, ending
// and reaping children, and the file checks made before a recording starts.

#include "recording/recording_types.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct ChildLaunch {
    enum class Failure { None, Pipe, Process };
    Failure failure = Failure::None;
    std::uint32_t systemError = 0;          // GetLastError() or errno of the failed step
    NativeHandle pipe = invalidPipe;        // the write end of the child's standard input
    NativeHandle errorOutput = invalidPipe; // the read end of the child's error output
    NativeHandle process = noProcess;
};

// Starts the program named by the command line's first word (searched on the
// PATH when it names no folder) with the read end of a new pipe as standard
// input, the write end of another as standard error, and standard output
// going nowhere; only those two ends pass to the child. The command line is
// never given to a shell.
ChildLaunch startChildProcess(const std::string& commandLine);

struct PipeWrite {
    std::size_t written = 0;
    std::uint32_t systemError = 0; // 0 when every byte was written
};

// Writes the whole buffer, looping over short writes. A reader that has gone
// gives an error, never a signal.
PipeWrite writeToPipe(NativeHandle pipe, const std::uint8_t* data, std::size_t size);

void closePipe(NativeHandle pipe);

struct OutputRead {
    std::size_t bytes = 0;
    bool ended = false; // every writer has closed its end (the child has exited)
};

// What the child has written to its error output, up to size bytes, waiting
// at most the given time for something to arrive; never blocks longer, so
// that the reader can be told to stop.
OutputRead readChildOutput(NativeHandle output, char* buffer, std::size_t size,
                           int waitMilliseconds);

struct ChildExit {
    std::int64_t status = 0; // exit code, or the signal number when signalled
    bool signalled = false;

    bool failed() const { return signalled || status != 0; }
};

// True, with its exit, once the child has ended; never waits. (On POSIX this
// releases the ended child, so it is asked again only until it says true.)
bool childEnded(NativeHandle process, ChildExit& exit);

// What the child has done so far: its processor time and the bytes it has
// read and written. A child that waits or is stuck adds no bytes and next to
// no processor time.
struct ChildActivity {
    std::uint64_t processorNanoseconds = 0;
    std::uint64_t bytesTransferred = 0;
};
ChildActivity childActivity(NativeHandle process);

// Ends the child at once, as a kill from outside would.
void terminateChild(NativeHandle process);

void closeProcess(NativeHandle process);

// True when the folder exists; the name is in the process's code page.
bool folderExists(const std::string& folder);
// True when anything (a file, a folder, a link) has this name.
bool pathExists(const std::string& path);
