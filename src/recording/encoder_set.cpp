// The FFmpeg children of a recording: launching one per pass, packing frames
// into the queue on the render thread, and the single writer thread that
// feeds every pipe. The render thread never waits for a stuck encoder for
// good: the queue's wait has a limit, after which that encoder's pass is
// dropped and the others go on.
#include "recording/encoder_set.h"

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

EncoderSet::~EncoderSet() {
    if (writerThread_.joinable()) {
        queue_.stop();
        writerThread_.join();
    }
}

void EncoderSet::begin(std::uint32_t width, std::uint32_t height, std::int64_t recordingStart) {
    width_ = width;
    height_ = height;
    recordingStart_ = recordingStart;
    for (EncoderProcess& encoder : encoders_)
        encoder = EncoderProcess{};
    for (std::atomic<bool>& stalled : passStalled_)
        stalled.store(false);
    stallDeclaredAt_.store(0);
}

bool EncoderSet::launch(const std::string& ffmpeg, const std::string& outputPath,
                        const EncoderFormat& format, PassKind pass) {
    const std::string commandLine = encoderCommandLine(ffmpeg, format.pixelFormat, width_, height_,
                                                       format.fps, outputPath, format.proRes4444);
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
    EncoderProcess& encoder = encoders_[passIndex(pass)];
    encoder.pipe = child.pipe;
    encoder.process = child.process;
    encoder.outputPath = outputPath;
    encoder.errors = std::make_shared<EncoderErrorOutput>(child.errorOutput);
    logToReShade(logProgress, fmt::format("[Kivren] Encoder started -> {}", outputPath));
    return true;
}

void EncoderSet::attach(PassKind pass, NativeHandle pipe) {
    encoders_[passIndex(pass)].pipe = pipe;
}

bool EncoderSet::accepts(PassKind pass) const {
    return encoders_[passIndex(pass)].pipe != invalidPipe && !passStalled_[passIndex(pass)].load();
}

void EncoderSet::countDue(PassKind pass) {
    ++encoders_[passIndex(pass)].framesDue;
}

bool EncoderSet::claimTurn(PassKind pass, std::int32_t turn) {
    EncoderProcess& encoder = encoders_[passIndex(pass)];
    if (encoder.capturedTurn == turn)
        return false;
    encoder.capturedTurn = turn;
    return true;
}

void EncoderSet::enqueueFrame(const std::uint8_t* data, std::uint32_t rowPitch,
                              std::uint32_t mappedRows, std::uint32_t mappedRowBytes, PassKind pass,
                              RowOrder rowOrder) {
    const NativeHandle pipe = encoders_[passIndex(pass)].pipe;
    if (pipe == invalidPipe || passStalled_[passIndex(pass)].load())
        return;
    const std::size_t rowBytes = std::size_t{width_} * 4;
    const std::size_t height = height_;

    PendingFrame frame{{}, pipe, pass};
    try {
        frame.pixels = buffers_.allocate(rowBytes * height);
    } catch (const std::bad_alloc&) {
        // Counted as due and never written: the stop reports the loss.
        return;
    }
    // Never read past what the driver mapped: a narrower or shorter mapping
    // leaves the rest of the frame black.
    packFrame(frame.pixels.data.get(), rowBytes, height,
              {data, rowPitch, mappedRows, mappedRowBytes}, rowOrder);

    // A writer whose stalled pass was just dropped gets one more limit to
    // move on, counted from the drop, whichever frame first waits for it.
    while (queue_.push(frame, limits_.queueBudget, limits_.stall, stallDeclaredAt_.load()) ==
           FrameQueue::Push::WriterStuck) {
        // A writer stuck beyond that costs this frame, never the game its frames.
        if (!declareStalledPass() || passStalled_[passIndex(pass)].load())
            return;
    }
}

bool EncoderSet::startWriter() {
    queue_.open();
    try {
        writerThread_ = std::thread([this] { writerLoop(); });
    } catch (const std::system_error& e) {
        queue_.stop();
        logToReShade(logFailure,
                     fmt::format("[Kivren] Writer thread could not start ({})", e.code().value()));
        return false;
    }
    return true;
}

void EncoderSet::writerLoop() {
    try {
        PendingFrame frame;
        while (queue_.pop(frame)) {
            writeFrame(frame);
            frame.pixels = {};
        }
    } catch (const std::exception& e) {
        // The render thread must not wait for room that will never come.
        queue_.stop();
        logToReShade(logFailure, fmt::format("[Kivren] Writer thread failed: {}", e.what()));
    }
    queue_.writerFinished();
}

void EncoderSet::writeFrame(PendingFrame& frame) {
    const std::size_t pass = passIndex(frame.pass);
    EncoderProcess& encoder = encoders_[pass];
    WriterActivity& writerActivity = queue_.writer();
    // After a failed write the child is gone or stuck, and a stalled pass's
    // child has been ended: their later frames are lost, not written again.
    if (frame.pipe == invalidPipe || frame.pixels.empty() || encoder.writeFailed ||
        passStalled_[pass].load())
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
