#pragma once
// The queue between the render thread, which packs frames, and the writer
// thread, which feeds them to the encoders. It holds at most a budget of
// bytes: a producer that finds it full waits for the writer to make room, so
// that no frame is dropped and memory stays bounded. The wait has a limit: a
// writer that makes no progress for that long is stuck on an encoder that no
// longer reads, and the producer is told so instead of waiting for good.

#include "recording/recording_types.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

inline std::int64_t steadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// What the writer is doing, for whoever waits on it: the steady-clock time of
// its last step (a frame taken from the queue, a piece of one written into a
// pipe), and the pass and the frame of that pass (from 1) it is writing; the
// pass is -1 while it writes nothing. A cache line of its own: the writer
// stores into it for every piece it writes, and the render thread's own
// flags must not share that line.
struct alignas(64) WriterActivity {
    std::atomic<std::int64_t> progressAt{0};
    std::atomic<int> busyPass{-1};
    std::atomic<std::uint32_t> busyFrame{0};

    void stepped() { progressAt.store(steadyNanoseconds()); }
};

// How long a writer may make no progress before it counts as stuck, in
// nanoseconds: on a frame that its encoder has taken before, and on an
// encoder's first frame, which waits for the encoder to start.
struct StallLimits {
    std::int64_t running = 0;
    std::int64_t firstFrame = 0;

    std::int64_t forFrame(std::uint32_t frame) const { return frame <= 1 ? firstFrame : running; }
};

// One producer (the presenting thread) and one consumer (the writer) share
// one condition variable: each side wakes the other after changing the queue.
class FrameQueue {
public:
    enum class Push { Queued, WriterStuck };

    // A writer starts: frames are taken until stop(), and it has not finished.
    void open();

    // Appends the frame (moving it out) once it fits within the budget. A
    // frame always fits into an empty queue, however large, and nothing
    // waits once the writer has been told to stop. The wait ends without
    // the frame when the writer has made no progress for its limit, counted
    // from its last step or from notBefore (steady nanoseconds), whichever
    // is later.
    Push push(PendingFrame& frame, std::size_t budgetBytes, const StallLimits& limits,
              std::int64_t notBefore = 0);

    // The front frame, waiting for one while the writer runs; false once the
    // writer is told to stop and the queue is empty. Taking a frame is a
    // step of the writer.
    bool pop(PendingFrame& frame);

    // Drops every queued frame of the pass; their number.
    std::size_t dropPass(PassKind pass);

    // Tells the writer to end once it has written what is queued.
    void stop();

    // The writer says it has ended, and wakes whoever waits for it.
    void writerFinished();

    // Waits for the writer to finish, as long as it keeps making progress:
    // false when it has made none for its limit (counted as in push).
    bool waitForWriter(const StallLimits& limits, std::int64_t notBefore);

    // Frames that no writer will take any more go (their buffers with them).
    void clear();

    bool running() const { return running_.load(); }
    WriterActivity& writer() { return writer_; }
    const WriterActivity& writer() const { return writer_; }

    std::size_t queuedBytes() const;
    std::size_t size() const {
        std::lock_guard lock(mutex_);
        return frames_.size();
    }

private:
    std::size_t bytesLocked() const;

    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<PendingFrame> frames_;
    bool finished_ = false; // under mutex_
    std::atomic<bool> running_{false};
    WriterActivity writer_;
};
