// The bounded queue between the render thread and the writer: a full queue
// makes the producer wait, no frame is lost or reordered, a frame larger
// than the budget still passes, a stop releases a waiting producer, and a
// writer that makes no progress for its limit releases it too.
#include "recording/frame_buffer_pool.h"
#include "recording/frame_memory.h"
#include "recording/frame_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

struct Queue {
    FrameBufferPool buffers;
    FrameQueue queue;
    WriterActivity& writer = queue.writer();

    Queue() { queue.open(); }

    // Limits far beyond the test's own pauses, unless a test says otherwise.
    StallLimits limits{60'000'000'000, 60'000'000'000};
    FrameQueue::Push push(PendingFrame frame, std::size_t budget) {
        return queue.push(frame, budget, limits);
    }
    PendingFrame frameOf(std::size_t size, std::uint8_t tag) {
        PendingFrame frame{buffers.allocate(size), 7, PassKind::Depth};
        frame.pixels.data[0] = tag;
        return frame;
    }
};

TEST(FrameQueue, BackPressureKeepsEveryFrameWithinTheBudget) {
    Queue q;
    constexpr std::size_t frameSize = 1000;
    constexpr std::size_t budget = 3 * frameSize;
    constexpr int frames = 200;
    std::vector<int> seen;
    std::thread writer([&] {
        PendingFrame frame;
        while (q.queue.pop(frame)) {
            seen.push_back(frame.pixels.data[0]);
            // A slow encoder.
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    std::size_t most = 0;
    for (int i = 0; i < frames; ++i) {
        EXPECT_EQ(q.push(q.frameOf(frameSize, static_cast<std::uint8_t>(i)), budget),
                  FrameQueue::Push::Queued);
        most = std::max(most, q.queue.queuedBytes());
    }
    q.queue.stop();
    writer.join();

    EXPECT_LE(most, budget);
    EXPECT_GE(most, frameSize);
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i)
        EXPECT_EQ(seen[static_cast<std::size_t>(i)], i % 256);
}

TEST(FrameQueue, OversizedFramePassesAndStopReleasesAWaitingProducer) {
    Queue q;
    q.push(q.frameOf(5000, 1), 100); // into an empty queue: never waits
    std::atomic<bool> pushed{false};
    std::thread producer([&] {
        q.push(q.frameOf(10, 2), 100); // full: waits for room
        pushed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(pushed.load());
    q.queue.stop();
    producer.join();
    EXPECT_TRUE(pushed.load());

    // What was queued before the stop is still handed out, then the end.
    PendingFrame frame;
    ASSERT_TRUE(q.queue.pop(frame));
    EXPECT_EQ(frame.pixels.size, 5000u);
    ASSERT_TRUE(q.queue.pop(frame));
    EXPECT_EQ(frame.pixels.data[0], 2);
    EXPECT_FALSE(q.queue.pop(frame));
}

TEST(FrameQueue, AWriterWithoutProgressReleasesTheProducerAfterItsLimit) {
    Queue q;
    q.limits = {200'000'000, 60'000'000'000};
    q.writer.stepped();
    q.writer.busyFrame = 5;
    ASSERT_EQ(q.push(q.frameOf(100, 1), 100), FrameQueue::Push::Queued);
    // The writer keeps making progress on frames of its own for a while: the
    // producer waits all that time, however much longer than the limit.
    std::atomic<bool> working{true};
    std::thread writer([&] {
        for (int i = 0; i < 60; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            q.writer.stepped();
        }
        working = false;
    });
    PendingFrame frame = q.frameOf(100, 2);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(q.queue.push(frame, 100, q.limits), FrameQueue::Push::WriterStuck);
    EXPECT_FALSE(working.load()) << "released while the writer still made progress";
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(600));
    writer.join();
    EXPECT_FALSE(frame.pixels.empty()) << "the frame stays with the producer";

    // Counted from notBefore when that is later: another limit to wait.
    const auto retry = std::chrono::steady_clock::now();
    EXPECT_EQ(q.queue.push(frame, 100, q.limits, steadyNanoseconds()),
              FrameQueue::Push::WriterStuck);
    EXPECT_GE(std::chrono::steady_clock::now() - retry, std::chrono::milliseconds(200));

    // An encoder's first frame has the longer limit: room comes first.
    q.writer.busyFrame = 1;
    std::thread room([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        EXPECT_EQ(q.queue.dropPass(PassKind::Depth), 1u);
    });
    EXPECT_EQ(q.queue.push(frame, 100, q.limits), FrameQueue::Push::Queued);
    room.join();
}

TEST(FrameQueue, TheStopWaitsForAWorkingWriterButNotForAStuckOne) {
    Queue q;
    q.limits = {200'000'000, 200'000'000};
    q.writer.busyFrame = 5;
    // Steps every 20 ms for 400 ms, twice the limit, then finishes.
    std::thread writer([&] {
        for (int i = 0; i < 20; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            q.writer.stepped();
        }
        q.queue.writerFinished();
    });
    EXPECT_TRUE(q.queue.waitForWriter(q.limits, 0)) << "a writer making progress is waited for";
    writer.join();

    Queue stuck;
    stuck.limits = {100'000'000, 100'000'000};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(stuck.queue.waitForWriter(stuck.limits, 0));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    stuck.queue.writerFinished();
    EXPECT_TRUE(stuck.queue.waitForWriter(stuck.limits, 0));
}

TEST(FrameBufferPool, AFreedBufferIsHandedOutAgainForTheSameSizeOnly) {
    FrameBufferPool pool;
    for (const std::size_t size : {std::size_t{4096}, largeFrameBytes * 2}) {
        FrameBytes first = pool.allocate(size);
        const std::uint8_t* memory = first.data.get();
        first = {};
        FrameBytes other = pool.allocate(size + 64);
        EXPECT_NE(other.data.get(), memory) << "a spare of another size is never handed out";
        FrameBytes again = pool.allocate(size);
        EXPECT_EQ(again.data.get(), memory) << size;
    }
}

} // namespace
