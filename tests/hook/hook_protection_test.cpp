// Code and trampolines in memory that cannot be made writable: the engine
// answers HookStatus::MemoryProtect and leaves bytes and protections as they were.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "hook/hook_engine.h"
#include "hook/trampoline_slots.h"
#include "hook_test_functions.h"
#include "locked_code.h"

using namespace hook;

namespace {

// mov eax, imm32; ret
void putReturn(uint8_t* at, uint8_t value) {
    const uint8_t code[] = {0xB8, value, 0x00, 0x00, 0x00, 0xC3};
    std::memcpy(at, code, sizeof code);
}

struct LockedCode {
    uint8_t* base;
    IntFunction straddling; // first bytes on the ordinary page, the rest locked
    IntFunction locked;
    IntFunction ordinary[2];
};

LockedCode mapTestCode() {
    std::vector<uint8_t> content(2 * lockedPageSize, 0xCC);
    putReturn(&content[64], 50);
    putReturn(&content[128], 51);
    putReturn(&content[lockedPageSize - 2], 52);
    putReturn(&content[lockedPageSize + 64], 53);
    uint8_t* base = mapOrdinaryThenLockedPages(content.data());
    return {base,
            reinterpret_cast<IntFunction>(base + lockedPageSize - 2),
            reinterpret_cast<IntFunction>(base + lockedPageSize + 64),
            {reinterpret_cast<IntFunction>(base + 64), reinterpret_cast<IntFunction>(base + 128)}};
}

void* code(IntFunction f) {
    return reinterpret_cast<void*>(f);
}

int detourReturning99() {
    return 99;
}

class LockedMemory : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(initHookEngine(), HookStatus::Ok); }
};

TEST_F(LockedMemory, TargetThatCannotBeMadeWritableIsLeftAsItWas) {
    LockedCode c = mapTestCode();
    void* detour = reinterpret_cast<void*>(&detourReturning99);
    for (IntFunction target : {c.locked, c.straddling}) {
        uint8_t before[8];
        std::memcpy(before, code(target), sizeof before);
        void* trampoline = nullptr;
        ASSERT_EQ(createHook(code(target), detour, &trampoline), HookStatus::Ok);
        EXPECT_EQ(enableHook(code(target)), HookStatus::MemoryProtect);
        EXPECT_EQ(std::memcmp(before, code(target), sizeof before), 0);
        EXPECT_FALSE(isPageWritable(code(target)));
        EXPECT_EQ(target(), target == c.locked ? 53 : 52);
    }
    // The ordinary page of the straddling target was opened, then put back.
    EXPECT_FALSE(isPageWritable(c.base));
    EXPECT_EQ(disableHook(allHooks), HookStatus::Ok);
}

TEST_F(LockedMemory, TrampolineBlockThatCannotBeWrittenTakesNoNewHook) {
    LockedCode c = mapTestCode();
    void* detour = reinterpret_cast<void*>(&detourReturning99);
    void* first = nullptr;
    ASSERT_EQ(createHook(code(c.ordinary[0]), detour, &first), HookStatus::Ok);
    void* block = trampolineBlocks;
    ASSERT_EQ(reinterpret_cast<uintptr_t>(first) & ~(trampolineBlockSize - 1),
              reinterpret_cast<uintptr_t>(block));

    lockPage(block);
    void* second = nullptr;
    EXPECT_EQ(createHook(code(c.ordinary[1]), detour, &second), HookStatus::MemoryProtect);
    EXPECT_EQ(enableHook(code(c.ordinary[1])), HookStatus::NotCreated);
    EXPECT_EQ(reinterpret_cast<IntFunction>(first)(), 50) << "existing trampolines still run";
    unlockPage(block);

    ASSERT_EQ(createHook(code(c.ordinary[1]), detour, &second), HookStatus::Ok);
    ASSERT_EQ(enableHook(code(c.ordinary[1])), HookStatus::Ok);
    EXPECT_EQ(c.ordinary[1](), 99);
    EXPECT_EQ(reinterpret_cast<IntFunction>(second)(), 51);
    EXPECT_EQ(disableHook(allHooks), HookStatus::Ok);
    EXPECT_EQ(c.ordinary[1](), 51);
}

} // namespace
