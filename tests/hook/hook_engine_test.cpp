// Real hooks on functions of this program: called through the hook, through
// the trampoline, and again after unhooking.

#include <gtest/gtest.h>

#include "hook/hook_engine.h"
#include "hook/hook_state.h"
#include "hook_test_functions.h"

using namespace hook;

namespace {

IntFunction trampolines[8];

// Each detour calls its own trampoline and marks the result as detoured.
template <int n> int detour() {
    return trampolines[n]() + 1000;
}

class RealHooks : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(initHookEngine(), HookStatus::Ok); }
    void TearDown() override { EXPECT_EQ(disableHook(allHooks), HookStatus::Ok); }

    template <int n> void expectHookedAndRestored(IntFunction target, int value) {
        void* trampoline = nullptr;
        ASSERT_EQ(createHook(reinterpret_cast<void*>(target), reinterpret_cast<void*>(&detour<n>),
                             &trampoline),
                  HookStatus::Ok);
        trampolines[n] = reinterpret_cast<IntFunction>(trampoline);
        EXPECT_EQ(target(), value) << "creating a hook must not patch";
        ASSERT_EQ(enableHook(reinterpret_cast<void*>(target)), HookStatus::Ok);
        EXPECT_EQ(target(), value + 1000);
        EXPECT_EQ(trampolines[n](), value);
        ASSERT_EQ(disableHook(allHooks), HookStatus::Ok);
        EXPECT_EQ(target(), value);
        EXPECT_EQ(trampolines[n](), value);
        // A second round reuses the same trampoline.
        ASSERT_EQ(enableHook(reinterpret_cast<void*>(target)), HookStatus::Ok);
        EXPECT_EQ(target(), value + 1000);
    }
};

TEST_F(RealHooks, MovedInstructionsBehaveAsInPlace) {
    expectHookedAndRestored<0>(hookTargetIpRelative, 42);
    expectHookedAndRestored<1>(hookTargetRelativeCall, 42);
    expectHookedAndRestored<2>(hookTargetJumpTaken, 43);
    expectHookedAndRestored<3>(hookTargetJumpNotTaken, 44);
}

TEST_F(RealHooks, ShortFunctionsArePatchedInPaddingOrAbove) {
    expectHookedAndRestored<4>(hookTargetPaddedAfter, 45);
    expectHookedAndRestored<5>(hookTargetPaddedBefore, 46);
    // The empty asm hides where the pointer came from, so that the compiler
    // does not take the bytes around a function for an array overrun.
    const uint8_t* before = reinterpret_cast<const uint8_t*>(&hookTargetPaddedBefore);
    asm("" : "+r"(before));
    EXPECT_EQ(before[-5], 0xE9) << "the long jump goes in the padding above";
    EXPECT_EQ(before[0], 0xEB);
    EXPECT_EQ(before[1], 0xF9);
    EXPECT_EQ(hookTargetAfterShort(), 47) << "the code after a short target is untouched";
    ASSERT_EQ(disableHook(allHooks), HookStatus::Ok);
    EXPECT_EQ(before[-5], 0xCC) << "unhooking puts the padding back";
}

TEST_F(RealHooks, StatusesOfMisuse) {
    void* trampoline = nullptr;
    void* loop = reinterpret_cast<void*>(&hookTargetLoop);
    void* anyDetour = reinterpret_cast<void*>(&detour<7>);
    EXPECT_EQ(createHook(loop, anyDetour, &trampoline), HookStatus::UnsupportedFunction);
    EXPECT_EQ(enableHook(loop), HookStatus::NotCreated) << "a refused hook leaves no entry";

    static int notCode = 0;
    EXPECT_EQ(createHook(&notCode, anyDetour, &trampoline), HookStatus::NotExecutable);
    EXPECT_EQ(createHook(reinterpret_cast<void*>(&hookTargetJumpTaken), &notCode, &trampoline),
              HookStatus::NotExecutable);

    void* target = reinterpret_cast<void*>(&hookTargetAfterShort);
    ASSERT_EQ(createHook(target, anyDetour, &trampoline), HookStatus::Ok);
    trampolines[7] = reinterpret_cast<IntFunction>(trampoline);
    EXPECT_EQ(createHook(target, anyDetour, &trampoline), HookStatus::AlreadyCreated);
    ASSERT_EQ(enableHook(target), HookStatus::Ok);
    EXPECT_EQ(enableHook(target), HookStatus::AlreadyEnabled);
    EXPECT_EQ(hookTargetAfterShort(), 1047);
    EXPECT_EQ(disableHook(target), HookStatus::Ok) << "one hook alone can be switched off";
    EXPECT_EQ(hookTargetAfterShort(), 47);
    EXPECT_EQ(disableHook(loop), HookStatus::NotCreated);
}

TEST_F(RealHooks, DisablingWithNothingOnStopsNoThread) {
    ASSERT_EQ(disableHook(allHooks), HookStatus::Ok);
    const uint32_t freezes = threadFreezes.load();
    EXPECT_EQ(disableHook(allHooks), HookStatus::Ok);
    EXPECT_EQ(threadFreezes.load(), freezes);
}

} // namespace
