#pragma once
// Types shared by the recording session, the encoders and the pass capture.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class EncoderErrorOutput;

// Indexes the readback textures and the encoders, and orders their launch,
// closing and waiting.
enum class PassKind : int { Main = 0, Depth = 1, Normal = 2, Custom = 3 };
inline constexpr int passCount = 4;

inline constexpr std::size_t passIndex(PassKind pass) {
    return static_cast<std::size_t>(pass);
}

// "Main", "Depth", "Normal", "Custom": how log lines name a pass.
const char* passName(PassKind pass);

// The effect renders its images bottom row first; the back buffer is top row first.
enum class RowOrder { AsMapped, Reversed };

// A pipe end or a child process as the system names it: a Windows HANDLE or a
// POSIX descriptor/pid, carried as an integer so the core never sees a
// platform type. INVALID_HANDLE_VALUE is (HANDLE)-1, and -1 is no descriptor.
using NativeHandle = std::intptr_t;
inline constexpr NativeHandle invalidPipe = -1;
inline constexpr NativeHandle noProcess = 0;

// The write end of one FFmpeg child's standard input, the child, and what
// became of the frames meant for it during the current recording.
struct EncoderProcess {
    NativeHandle pipe = invalidPipe;
    NativeHandle process = noProcess;
    std::string outputPath;
    // Reads the child's error output for the whole recording.
    std::shared_ptr<EncoderErrorOutput> errors;

    // Presenting thread: frames this pass should have received, and the
    // frameCount of the Custom turn that last captured (one capture a turn).
    std::uint32_t framesDue = 0;
    std::int32_t capturedTurn = 0;

    // Writer thread; read by the presenting thread only after the join.
    std::uint32_t framesWritten = 0;
    std::uint32_t writeError = 0; // the system's code of the first failed write
    bool writeFailed = false;
    bool pipeClosed = false; // by the writer, after a failed write
};

class FrameBufferPool;

// Hands a frame buffer back to the pool it came from.
struct RecycleFrameBuffer {
    FrameBufferPool* pool = nullptr;
    std::size_t size = 0;
    void operator()(std::uint8_t* buffer) const noexcept;
};

// A frame buffer from a FrameBufferPool.
struct FrameBytes {
    std::unique_ptr<std::uint8_t[], RecycleFrameBuffer> data;
    std::size_t size = 0;

    bool empty() const { return size == 0; }
};

// One packed frame (width x 4 x height bytes, top row first), the pipe it is
// meant for (copied when queued) and its pass, whose counters the writer keeps.
struct PendingFrame {
    FrameBytes pixels;
    NativeHandle pipe = invalidPipe;
    PassKind pass = PassKind::Main;
};
