// A hook switched on and off many times while other threads call the target
// in a tight loop: no call may fail or return a wrong value, and threads
// caught on moved bytes must be carried over. And the check made before a
// module is unmapped, which must see a thread running the module's code.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "hook/hook_engine.h"
#include "hook/hook_state.h"
#include "hook_test_functions.h"

using namespace hook;

namespace {

IntFunction threadsTrampoline;
std::atomic<uint64_t> detourCalls{0};

int countingDetour() {
    detourCalls.fetch_add(1, std::memory_order_relaxed);
    return threadsTrampoline();
}

TEST(HookUnderLoad, SwitchedWhileOtherThreadsCallTheTarget) {
    ASSERT_EQ(initHookEngine(), HookStatus::Ok);
    void* target = reinterpret_cast<void*>(&hookTargetForThreads);
    void* trampoline = nullptr;
    ASSERT_EQ(createHook(target, reinterpret_cast<void*>(&countingDetour), &trampoline),
              HookStatus::Ok);
    threadsTrampoline = reinterpret_cast<IntFunction>(trampoline);

    std::atomic<bool> stop{false};
    std::atomic<uint64_t> calls{0};
    std::atomic<uint64_t> wrong{0};
    std::vector<std::thread> callers;
    for (int i = 0; i < 4; ++i) {
        callers.emplace_back([&] {
            IntFunction volatile f = hookTargetForThreads;
            while (!stop.load(std::memory_order_relaxed)) {
                if (f() != 48) {
                    wrong.fetch_add(1);
                }
                calls.fetch_add(1, std::memory_order_relaxed);
            }
        });
    }
    while (calls.load() == 0) {
        std::this_thread::yield();
    }
    const uint32_t movedBefore = movedInstructionPointers.load();
    // Enough rounds to meet every kind of stop, then on until some thread has
    // been caught on moved bytes (Wine stops threads far more slowly).
    for (int round = 0;
         round < 50 || (movedInstructionPointers.load() == movedBefore && round < 2000); ++round) {
        ASSERT_EQ(enableHook(target), HookStatus::Ok);
        ASSERT_EQ(disableHook(allHooks), HookStatus::Ok);
    }
    stop = true;
    for (std::thread& t : callers) {
        t.join();
    }
    EXPECT_EQ(wrong.load(), 0u);
    EXPECT_GT(detourCalls.load(), 0u) << "the hook was never seen on";
    EXPECT_GT(movedInstructionPointers.load(), movedBefore)
        << "no thread was ever caught on the moved bytes";
}

bool alwaysIdle(void*) {
    return true;
}

TEST(HookUnderLoad, AThreadInAModulesCodeIsSeen) {
    ASSERT_EQ(initHookEngine(), HookStatus::Ok);
    const void* thisProgram = reinterpret_cast<const void*>(&hookTargetForThreads);
    std::atomic<bool> stop{false};
    std::atomic<bool> spinning{false};
    std::thread spinner([&] {
        spinning = true;
        // Nothing but this program's own instructions.
        while (!stop.load(std::memory_order_relaxed)) {
        }
    });
    while (!spinning.load()) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(otherThreadsOutside(thisProgram, alwaysIdle, nullptr))
        << "a thread spinning in this program was not seen";
    stop = true;
    spinner.join();
    EXPECT_TRUE(otherThreadsOutside(thisProgram, alwaysIdle, nullptr))
        << "no other thread runs this program's code any more";
}

} // namespace
