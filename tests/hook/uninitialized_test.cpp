// A process in which initHookEngine never runs.

#include <gtest/gtest.h>

#include "hook_test_functions.h"
#include "idpass/hook/hook_engine.h"

TEST(UninitializedEngine, RefusesEveryOperation) {
    void* target = reinterpret_cast<void*>(&hookTargetIpRelative);
    void* trampoline = nullptr;
    EXPECT_EQ(createHook(target, target, &trampoline), HookNotInitialized);
    EXPECT_EQ(enableHook(target), HookNotInitialized);
    EXPECT_EQ(disableHook(allHooks), HookNotInitialized);
    EXPECT_EQ(trampoline, nullptr);
}
