// The bounded queue between the render thread and the writer: a full queue
// makes the producer wait, no frame is lost or reordered, a frame larger
// than the budget still passes, a stop releases a waiting producer, and a
// writer that makes no progress for its limit releases it too.
#include "recording/frame_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

struct Queue {
    std::deque<PendingFrame> frames;
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<bool> running{true};
    WriterActivity writer;
    FrameQueueView view{frames, mutex, ready, running, writer};

    Queue() { writer.stepped(); }

    // Limits far beyond the test's own pauses, unless a test says otherwise.
    StallLimits limits{60'000'000'000, 60'000'000'000};
    FrameQueueView::Push push(PendingFrame frame, std::size_t budget) {
        return view.push(frame, budget, limits);
    }
};

PendingFrame frameOf(std::size_t size, std::uint8_t tag) {
    PendingFrame frame{FrameBytes::allocate(size), 7, PassKind::Depth};
    frame.pixels.data[0] = tag;
    return frame;
}

TEST(FrameQueue, BackPressureKeepsEveryFrameWithinTheBudget) {
    Queue q;
    constexpr std::size_t frameSize = 1000;
    constexpr std::size_t budget = 3 * frameSize;
    constexpr int frames = 200;
    std::vector<int> seen;
    std::thread writer([&] {
        PendingFrame frame;
        while (q.view.pop(frame)) {
            seen.push_back(frame.pixels.data[0]);
            // A slow encoder.
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    std::size_t most = 0;
    for (int i = 0; i < frames; ++i) {
        EXPECT_EQ(q.push(frameOf(frameSize, static_cast<std::uint8_t>(i)), budget),
                  FrameQueueView::Push::queued);
        most = std::max(most, q.view.queuedBytes());
    }
    q.view.stop();
    writer.join();

    EXPECT_LE(most, budget);
    EXPECT_GE(most, frameSize);
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i)
        EXPECT_EQ(seen[static_cast<std::size_t>(i)], i % 256);
}

TEST(FrameQueue, OversizedFramePassesAndStopReleasesAWaitingProducer) {
    Queue q;
    q.push(frameOf(5000, 1), 100); // into an empty queue: never waits
    std::atomic<bool> pushed{false};
    std::thread producer([&] {
        q.push(frameOf(10, 2), 100); // full: waits for room
        pushed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(pushed.load());
    q.view.stop();
    producer.join();
    EXPECT_TRUE(pushed.load());

    // What was queued before the stop is still handed out, then the end.
    PendingFrame frame;
    ASSERT_TRUE(q.view.pop(frame));
    EXPECT_EQ(frame.pixels.size, 5000u);
    ASSERT_TRUE(q.view.pop(frame));
    EXPECT_EQ(frame.pixels.data[0], 2);
    EXPECT_FALSE(q.view.pop(frame));
}

TEST(FrameQueue, AWriterWithoutProgressReleasesTheProducerAfterItsLimit) {
    Queue q;
    q.limits = {200'000'000, 60'000'000'000};
    q.writer.stepped();
    q.writer.busyFrame = 5;
    ASSERT_EQ(q.push(frameOf(100, 1), 100), FrameQueueView::Push::queued);
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
    PendingFrame frame = frameOf(100, 2);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(q.view.push(frame, 100, q.limits), FrameQueueView::Push::writerStuck);
    EXPECT_FALSE(working.load()) << "released while the writer still made progress";
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(600));
    writer.join();
    EXPECT_FALSE(frame.pixels.empty()) << "the frame stays with the producer";

    // Counted from notBefore when that is later: another limit to wait.
    const auto retry = std::chrono::steady_clock::now();
    EXPECT_EQ(q.view.push(frame, 100, q.limits, steadyNanoseconds()),
              FrameQueueView::Push::writerStuck);
    EXPECT_GE(std::chrono::steady_clock::now() - retry, std::chrono::milliseconds(200));

    // An encoder's first frame has the longer limit: room comes first.
    q.writer.busyFrame = 1;
    std::thread room([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        EXPECT_EQ(q.view.dropPass(PassKind::Depth), 1u);
    });
    EXPECT_EQ(q.view.push(frame, 100, q.limits), FrameQueueView::Push::queued);
    room.join();
}

} // namespace
