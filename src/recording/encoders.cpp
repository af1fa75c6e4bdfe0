// The FFmpeg children of a recording: launching one per pass, packing frames
// into the queue on the render thread, and the single writer thread that
// feeds every pipe. The render thread never waits for a stuck encoder for
// good: the queue's wait has a limit, after which that encoder's pass is
// dropped and the others go on.
#include "core/kivren.h"
#include "core/reshade_log.h"
#include "formats/encoder_command_line.h"
#include "recording/encoder_error_output.h"
#include "recording/encoder_process.h"
#include "recording/frame_packing.h"
#include "system/system_error_text.h"

#include <fmt/format.h>

#include <algorithm>
#include <new>
#include <system_error>

namespace {

// Frames go into a pipe in pieces of this size, and each piece written is a
// step of the writer, so that a slow encoder is told from a stuck one within
// a frame. It is the POSIX pipe's capacity here: one write can always finish
// once the encoder has read what came before.
constexpr std::size_t writeChunk = std::size_t{1} << 20;

FrameQueueView queueOf(Kivren& plugin) {
    return {plugin.frameQueue, plugin.queueMutex, plugin.queueReady, plugin.writerRunning,
            plugin.writerActivity};
}

} // namespace

const char* passName(PassKind pass) {
    switch (pass) {
    case PassKind::Main:
        return "Main";
    case PassKind::Depth:
        return "Depth";
    case PassKind::Normal:
        return "Normal";
    case PassKind::Custom:
        return "Custom";
    }
    return "Unknown";
}

bool Kivren::launchEncoder(const std::string& ffmpeg, const std::string& outputPath,
                           const std::string& pixelFormat, PassKind pass) {
    const bool proRes4444 = pass == PassKind::Custom && recordCustomPass444 && *recordCustomPass444;
    const std::string commandLine = encoderCommandLine(ffmpeg, pixelFormat, frameWidth, frameHeight,
                                                       *videoFps, outputPath, proRes4444);
    const ChildLaunch child = startChildProcess(commandLine);
    if (child.failure == ChildLaunch::Failure::Pipe) {
        logToReShade(logFailure, fmt::format("[Kivren] CreatePipe failed ({})",
                                             systemErrorText(child.systemError)));
        return false;
    }
    if (child.failure == ChildLaunch::Failure::Process) {
        logToReShade(logFailure,
                     fmt::format("[Kivren] FFmpeg launch failed ({}). Check "
                                 "ffmpeg.exe is on PATH or set kivren_ffmpeg_path. "
                                 "({})",
                                 child.systemError, systemErrorText(child.systemError)));
        return false;
    }
    EncoderProcess& encoder = encoders[passIndex(pass)];
    encoder.pipe = child.pipe;
    encoder.process = child.process;
    encoder.outputPath = outputPath;
    encoder.errors = std::make_shared<EncoderErrorOutput>(child.errorOutput);
    logToReShade(logProgress, fmt::format("[Kivren] Encoder started -> {}", outputPath));
    return true;
}

void Kivren::enqueueFrame(const std::uint8_t* data, std::uint32_t rowPitch,
                          std::uint32_t mappedRows, std::uint32_t mappedRowBytes, PassKind pass,
                          RowOrder rowOrder) {
    const NativeHandle pipe = encoders[passIndex(pass)].pipe;
    if (pipe == invalidPipe || passStalled[passIndex(pass)].load())
        return;
    const std::size_t rowBytes = std::size_t{frameWidth} * 4;
    const std::size_t height = frameHeight;

    PendingFrame frame{{}, pipe, pass};
    try {
        frame.pixels = FrameBytes::allocate(rowBytes * height);
    } catch (const std::bad_alloc&) {
        // Counted as due and never written: the stop reports the loss.
        return;
    }
    // Never read past what the driver mapped: a narrower or shorter mapping
    // leaves the rest of the frame black.
    packFrame(frame.pixels.data.get(), rowBytes, height,
              {data, rowPitch, mappedRows, mappedRowBytes}, rowOrder);

    FrameQueueView queue = queueOf(*this);
    // A writer whose stalled pass was just dropped gets one more limit to
    // move on, counted from the drop, whichever frame first waits for it.
    while (queue.push(frame, frameQueueBudget, stallLimits, stallDeclaredAt.load()) ==
           FrameQueueView::Push::writerStuck) {
        // A writer stuck beyond that costs this frame, never the game its frames.
        if (!declareStalledPass() || passStalled[passIndex(pass)].load())
            return;
    }
}

bool Kivren::startWriter() {
    {
        std::lock_guard lock(queueMutex);
        writerFinished = false;
    }
    writerActivity.busyPass.store(-1);
    writerActivity.stepped();
    writerRunning.exchange(true);
    try {
        writerThread = std::thread([this] { writerLoop(); });
    } catch (const std::system_error& e) {
        writerRunning.exchange(false);
        logToReShade(logFailure,
                     fmt::format("[Kivren] Writer thread could not start ({})", e.code().value()));
        return false;
    }
    return true;
}

void Kivren::writerLoop() {
    FrameQueueView queue = queueOf(*this);
    try {
        PendingFrame frame;
        while (queue.pop(frame)) {
            writeFrame(frame);
            frame.pixels = {};
        }
    } catch (const std::exception& e) {
        // The render thread must not wait for room that will never come.
        queue.stop();
        logToReShade(logFailure, fmt::format("[Kivren] Writer thread failed: {}", e.what()));
    }
    {
        std::lock_guard lock(queueMutex);
        writerFinished = true;
    }
    queueReady.notify_all();
}

void Kivren::writeFrame(PendingFrame& frame) {
    const std::size_t pass = passIndex(frame.pass);
    EncoderProcess& encoder = encoders[pass];
    // After a failed write the child is gone or stuck, and a stalled pass's
    // child has been ended: their later frames are lost, not written again.
    if (frame.pipe == invalidPipe || frame.pixels.empty() || encoder.writeFailed ||
        passStalled[pass].load())
        return;

    writerActivity.busyFrame.store(encoder.framesWritten + 1);
    writerActivity.busyPass.store(static_cast<int>(pass));
    writerActivity.stepped();
    PipeWrite result;
    std::size_t done = 0;
    while (done < frame.pixels.size && result.systemError == 0) {
        const std::size_t piece = std::min(writeChunk, frame.pixels.size - done);
        result = writeToPipe(frame.pipe, frame.pixels.data.get() + done, piece);
        done += result.written;
        writerActivity.stepped();
    }
    writerActivity.busyPass.store(-1);

    if (result.systemError == 0) {
        ++encoder.framesWritten;
        return;
    }
    encoder.writeFailed = true;
    encoder.writeError = result.systemError;
    // Nothing more goes into this pipe; closing it now ends the child's
    // input (a child that merely failed to write its file exits at once).
    closePipe(frame.pipe);
    encoder.pipeClosed = true;
}
