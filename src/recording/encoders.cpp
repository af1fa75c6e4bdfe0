// The FFmpeg children of a recording: launching one per pass, packing frames
// into the queue on the render thread, the single writer thread that feeds
// every pipe, and the closing sequence with its report of what went wrong.
#include "core/kivren.h"
#include "core/reshade_log.h"
#include "recording/command_line.h"
#include "recording/encoder_process.h"
#include "recording/frame_packing.h"
#include "recording/frame_queue.h"

#include <fmt/format.h>

#include <new>
#include <system_error>

namespace {

FrameQueueView queueOf(Kivren& plugin) {
    return {plugin.frameQueue, plugin.queueMutex, plugin.queueReady, plugin.writerRunning};
}

std::string describeExit(const ChildExit& exit) {
    return exit.signalled ? fmt::format("encoder killed by signal {}", exit.status)
                          : fmt::format("encoder exit status {}", exit.status);
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
    if (child.failure == ChildLaunch::Failure::pipe) {
        logToReShade(logFailure, "[Kivren] CreatePipe failed");
        return false;
    }
    if (child.failure == ChildLaunch::Failure::process) {
        logToReShade(logFailure, fmt::format("[Kivren] FFmpeg launch failed ({}). Check "
                                             "ffmpeg.exe is on PATH or set kivren_ffmpeg_path.",
                                             child.systemError));
        return false;
    }
    EncoderProcess& encoder = encoders[passIndex(pass)];
    encoder.pipe = child.pipe;
    encoder.process = child.process;
    logToReShade(logProgress, fmt::format("[Kivren] Encoder started -> {}", outputPath));
    return true;
}

void Kivren::enqueueFrame(const std::uint8_t* data, std::uint32_t rowPitch,
                          std::uint32_t mappedRows, std::uint32_t mappedRowBytes, PassKind pass,
                          RowOrder rowOrder) {
    const NativeHandle pipe = encoders[passIndex(pass)].pipe;
    if (pipe == invalidPipe)
        return;
    const std::size_t rowBytes = std::size_t{frameWidth} * 4;
    const std::size_t height = frameHeight;

    FrameBytes pixels;
    try {
        pixels = FrameBytes::allocate(rowBytes * height);
    } catch (const std::bad_alloc&) {
        // Counted as due and never written: the stop reports the loss.
        return;
    }
    // Never read past what the driver mapped: a narrower or shorter mapping
    // leaves the rest of the frame black.
    packFrame(pixels.data.get(), rowBytes, height, {data, rowPitch, mappedRows, mappedRowBytes},
              rowOrder);
    queueOf(*this).push({std::move(pixels), pipe, pass}, frameQueueBudget);
}

bool Kivren::startWriter() {
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
            EncoderProcess& encoder = encoders[passIndex(frame.pass)];
            // After a failed write the child is gone or stuck: its later
            // frames are counted as lost instead of being written again.
            if (frame.pipe != invalidPipe && !frame.pixels.empty() && !encoder.writeFailed) {
                const PipeWrite result =
                    writeToPipe(frame.pipe, frame.pixels.data.get(), frame.pixels.size);
                if (result.systemError == 0 && result.written == frame.pixels.size) {
                    ++encoder.framesWritten;
                } else {
                    encoder.writeFailed = true;
                    encoder.writeError = result.systemError;
                }
            }
            frame.pixels = {};
        }
    } catch (const std::exception& e) {
        // The render thread must not wait for room that will never come.
        queue.stop();
        logToReShade(logFailure, fmt::format("[Kivren] Writer thread failed: {}", e.what()));
    }
}

void Kivren::closeEncoders() {
    queueOf(*this).stop();
    if (writerThread.joinable())
        writerThread.join();
    writerThread = std::thread();
    {
        // Only a writer that failed leaves frames behind; they are lost.
        std::lock_guard lock(queueMutex);
        frameQueue.clear();
    }

    for (EncoderProcess& encoder : encoders) {
        if (encoder.pipe != invalidPipe) {
            closePipe(encoder.pipe);
            encoder.pipe = invalidPipe;
        }
    }

    std::vector<NativeHandle> running;
    for (const EncoderProcess& encoder : encoders) {
        if (encoder.process != noProcess)
            running.push_back(encoder.process);
    }
    const std::vector<ChildExit> exits = waitForChildren(running);

    std::size_t next = 0;
    for (int i = 0; i < passCount; ++i) {
        EncoderProcess& encoder = encoders[static_cast<std::size_t>(i)];
        if (encoder.process == noProcess)
            continue;
        const ChildExit& exit = exits[next++];
        if (exit.failed() || encoder.writeFailed || encoder.framesWritten < encoder.framesDue) {
            logToReShade(logFailure,
                         fmt::format("[Kivren] {} pass incomplete: {} of {} frames written, "
                                     "write error {}, {}.",
                                     passName(static_cast<PassKind>(i)), encoder.framesWritten,
                                     encoder.framesDue, encoder.writeError, describeExit(exit)));
        }
        closeProcess(encoder.process);
        encoder.process = noProcess;
    }
}
