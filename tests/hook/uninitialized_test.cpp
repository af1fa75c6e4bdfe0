// A process in which initHookEngine never runs.

#include <gtest/gtest.h>

#include "hook/hook_engine.h"
#include "hook_test_functions.h"

using namespace hook;

TEST(UninitializedEngine, RefusesEveryOperation) {
    void* target = reinterpret_cast<void*>(&hookTargetIpRelative);
    void* trampoline = nullptr;
    EXPECT_EQ(createHook(target, target, &trampoline), HookStatus::NotInitialized);
    EXPECT_EQ(enableHook(target), HookStatus::NotInitialized);
    EXPECT_EQ(disableHook(allHooks), HookStatus::NotInitialized);
    EXPECT_EQ(trampoline, nullptr);
}
