// The bounded queue between the render thread and the writer: a full queue
// makes the producer wait, no frame is lost or reordered, a frame larger
// than the budget still passes, and a stop releases a waiting producer.
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
    FrameQueueView view{frames, mutex, ready, running};
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
        q.view.push(frameOf(frameSize, static_cast<std::uint8_t>(i)), budget);
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
    q.view.push(frameOf(5000, 1), 100); // into an empty queue: never waits
    std::atomic<bool> pushed{false};
    std::thread producer([&] {
        q.view.push(frameOf(10, 2), 100); // full: waits for room
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

} // namespace
