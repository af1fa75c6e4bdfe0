#pragma once
// The FFmpeg children of a recording, one per pass, with the queue that the
// render thread packs frames into and the single writer thread that feeds
// every pipe from it. The presenting thread launches, feeds and closes them
// (the unload's stop too, under the session's lock); the writer thread only
// takes frames and writes them.

#include "recording/frame_buffer_pool.h"
#include "recording/frame_queue.h"
#include "recording/recording_types.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

struct EncoderLimits {
    // Queued frames may hold this many bytes before the render thread waits
    // for the writer: about one second of all four passes at 1080p and 30 fps.
    std::size_t queueBudget = std::size_t{1920} * 1080 * 4 * passCount * 30;
    // How long the render thread (or the stop) waits for a writer that makes
    // no progress before the encoder it writes to counts as stalled. 2 s is
    // far beyond any pause of a working FFmpeg, which takes a frame in
    // milliseconds, and the render thread only starts waiting once the
    // queue holds its budget: a stalled game hitches once, for 2 s. An
    // encoder's first frame waits for FFmpeg to start, which a virus
    // scanner looking at a freshly downloaded ffmpeg.exe can stretch to
    // seconds: it gets 10 s.
    StallLimits stall{2'000'000'000, 10'000'000'000};
    // After its input has ended, FFmpeg finishes its file (with +faststart
    // it rewrites the whole file), which takes as long as the disk needs; a
    // child that does nothing at all (no processor time, no reads or
    // writes) for this long is stuck, and is ended.
    std::int64_t idleLimit = 5'000'000'000;
};

// What one encoder's command line needs besides its output.
struct EncoderFormat {
    std::string pixelFormat;
    std::int32_t fps = 30;
    bool proRes4444 = false;
};

class EncoderSet {
public:
    EncoderSet() = default;
    // A writer still running here would terminate the process when its
    // thread object goes: it ends after writing what is queued.
    ~EncoderSet();
    EncoderSet(const EncoderSet&) = delete;
    EncoderSet& operator=(const EncoderSet&) = delete;

    // Set between recordings.
    const EncoderLimits& limits() const { return limits_; }
    void setLimits(const EncoderLimits& limits) { limits_ = limits; }

    // A new recording of width x height frames, started at recordingStart
    // (steady nanoseconds): no pass has an encoder yet.
    void begin(std::uint32_t width, std::uint32_t height, std::int64_t recordingStart);
    bool launch(const std::string& ffmpeg, const std::string& outputPath,
                const EncoderFormat& format, PassKind pass);
    // A pipe opened elsewhere as the pass's input, with no child behind it.
    void attach(PassKind pass, NativeHandle pipe);
    bool startWriter();

    // The pass has an encoder that still takes frames.
    bool accepts(PassKind pass) const;
    // A frame of the pass was due, whether or not it arrives: the stop
    // reports the frames that never did.
    void countDue(PassKind pass);
    // True once per turn: the first capture of the pass in this turn.
    bool claimTurn(PassKind pass, std::int32_t turn);

    // Packs the mapped picture and queues it for the pass's encoder.
    void enqueueFrame(const std::uint8_t* data, std::uint32_t rowPitch, std::uint32_t mappedRows,
                      std::uint32_t mappedRowBytes, PassKind pass, RowOrder rowOrder);

    // Lets the writer write what is queued, closes the pipes, waits for the
    // children to finish their files and reports each pass that lost anything.
    void close();
    // Frames queued with no writer to take them go.
    void discardQueued() { queue_.clear(); }

    bool writerRunning() const { return queue_.running(); }
    // A pipe or a child of the pass is still open.
    bool hasEncoder(PassKind pass) const {
        const EncoderProcess& encoder = encoders_[passIndex(pass)];
        return encoder.pipe != invalidPipe || encoder.process != noProcess;
    }
    // Read by whoever shows progress: the writer updates framesWritten meanwhile.
    std::uint32_t framesDue(PassKind pass) const { return encoders_[passIndex(pass)].framesDue; }
    std::uint32_t framesWritten(PassKind pass) const {
        return encoders_[passIndex(pass)].framesWritten;
    }
    std::size_t queuedFrames() const { return queue_.size(); }

private:
    void writerLoop();
    void writeFrame(PendingFrame& frame);
    // The pass whose encoder the writer is stuck on is dropped: its queued
    // frames go, its child is ended, one line says so. False when the writer
    // is stuck on no pass that is still running.
    bool declareStalledPass();
    void waitForWriter();
    void endEncoders();
    std::string removeEmptyOutput(PassKind pass);

    EncoderLimits limits_;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    std::int64_t recordingStart_ = 0; // steady clock, nanoseconds
    std::array<EncoderProcess, passCount> encoders_{};
    // Set, once per recording, for a pass whose encoder stopped taking data.
    std::array<std::atomic<bool>, passCount> passStalled_{};
    std::atomic<std::int64_t> stallDeclaredAt_{0}; // steady clock, nanoseconds
    // Before the queue: the frames in it give their buffers back to it.
    FrameBufferPool buffers_;
    FrameQueue queue_;
    std::thread writerThread_;
};
