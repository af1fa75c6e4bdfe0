#pragma once
// Types shared by the recording session, the encoders and the pass capture.

#include <cstdint>
#include <vector>

// Indexes the readback textures and the encoders, and orders their launch,
// closing and waiting.
enum class PassKind : int { Main = 0, Depth = 1, Normal = 2, Custom = 3 };
inline constexpr int passCount = 4;

// A pipe end or a child process as the system names it: a Windows HANDLE or a
// POSIX descriptor/pid, carried as an integer so the core never sees a
// platform type. INVALID_HANDLE_VALUE is (HANDLE)-1, and -1 is no descriptor.
using NativeHandle = std::intptr_t;
inline constexpr NativeHandle invalidPipe = -1;
inline constexpr NativeHandle noProcess = 0;

// The write end of one FFmpeg child's standard input, and the child.
struct EncoderProcess {
    NativeHandle pipe = invalidPipe;
    NativeHandle process = noProcess;
};

// One packed frame (width x 4 x height bytes, top row first) and the pipe it
// is meant for.
struct PendingFrame {
    std::vector<std::uint8_t> pixels;
    NativeHandle pipe = invalidPipe;
};
