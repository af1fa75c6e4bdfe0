// The trampoline build over byte arrays at chosen addresses, with the bytes
// each case must produce.

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "hook/trampoline_builder.h"

using namespace hook;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint64_t target = 0x7FF600001000;
constexpr uint64_t slot = 0x7FF600101000; // 1 MiB above the target
constexpr uint64_t detour = 0x7FF612345670;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes le64(uint64_t v) {
    Bytes b;
    for (int i = 0; i < 8; ++i) {
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    return b;
}

Bytes jumpTo(uint64_t to) {
    return Bytes({0xFF, 0x25, 0, 0, 0, 0}) + le64(to);
}

std::optional<Trampoline> build(const Bytes& code, const Bytes& above = {}, uint64_t at = slot) {
    TrampolineSource source;
    source.target = target;
    source.code = code.data();
    source.codeSize = code.size();
    source.above = above.empty() ? nullptr : above.data();
    source.slot = at;
    source.detour = detour;
    Trampoline t;
    if (!buildTrampoline(source, t)) {
        return std::nullopt;
    }
    return t;
}

Bytes emitted(const Trampoline& t) {
    return Bytes(t.bytes, t.bytes + t.size);
}

TEST(TrampolineBuilder, RelativeCallBecomesAbsoluteCall) {
    auto t = build({0xE8, 0x00, 0x10, 0x00, 0x00, 0x90, 0x90});
    ASSERT_TRUE(t);
    EXPECT_EQ(emitted(*t), Bytes({0xFF, 0x15, 0x02, 0, 0, 0, 0xEB, 0x08}) + le64(0x7FF600002005) +
                               jumpTo(target + 5) + jumpTo(detour));
    EXPECT_EQ(t->relay, slot + 30);
    ASSERT_EQ(t->ipCount, 2);
    EXPECT_EQ(t->oldOffsets[1], 5);
    EXPECT_EQ(t->newOffsets[1], 16);
}

TEST(TrampolineBuilder, ConditionalJumpsOutAreInvertedOverAnAbsoluteJump) {
    auto shortForm = build({0x74, 0x10, 0x48, 0x89, 0xC8, 0x90});
    ASSERT_TRUE(shortForm);
    EXPECT_EQ(emitted(*shortForm), Bytes({0x75, 0x0E}) + jumpTo(0x7FF600001012) +
                                       Bytes({0x48, 0x89, 0xC8}) + jumpTo(target + 5) +
                                       jumpTo(detour));
    auto nearForm = build({0x0F, 0x8E, 0x00, 0x01, 0x00, 0x00, 0x90}); // jle rel32
    ASSERT_TRUE(nearForm);
    EXPECT_EQ(emitted(*nearForm),
              Bytes({0x7F, 0x0E}) + jumpTo(0x7FF600001106) + jumpTo(target + 6) + jumpTo(detour));
}

TEST(TrampolineBuilder, IpRelativeOperandsKeepTheirTarget) {
    auto load = build({0x48, 0x8B, 0x05, 0x10, 0x00, 0x00, 0x00}); // mov rax, [rip+0x10]
    ASSERT_TRUE(load);
    // 0x10 + (target - slot) = 0x10 - 0x100000
    EXPECT_EQ(emitted(*load), Bytes({0x48, 0x8B, 0x05, 0x10, 0x00, 0xF0, 0xFF}) +
                                  jumpTo(target + 7) + jumpTo(detour));
    auto withImmediate = build({0x83, 0x3D, 0x10, 0x00, 0x00, 0x00, 0x05}); // cmp [rip+0x10], 5
    ASSERT_TRUE(withImmediate);
    EXPECT_EQ(Bytes(withImmediate->bytes, withImmediate->bytes + 7),
              (Bytes({0x83, 0x3D, 0x10, 0x00, 0xF0, 0xFF, 0x05})));
    auto indirectJump = build({0xFF, 0x25, 0x10, 0x00, 0x00, 0x00});
    ASSERT_TRUE(indirectJump);
    EXPECT_EQ(emitted(*indirectJump), Bytes({0xFF, 0x25, 0x10, 0x00, 0xF0, 0xFF}) + jumpTo(detour))
        << "no jump back";
    // Moved 1 MiB down, a displacement near +2 GiB no longer fits.
    EXPECT_FALSE(build({0x48, 0x8B, 0x05, 0xF0, 0xFF, 0xFF, 0x7F}, {}, target - 0x100000));
}

TEST(TrampolineBuilder, ShortFunctionsUsePaddingAfterOrAbove) {
    const Bytes int3s(5, 0xCC);
    auto inPlace = build({0xC3, 0xCC, 0xCC, 0xCC, 0xCC});
    ASSERT_TRUE(inPlace);
    EXPECT_FALSE(inPlace->patchAbove);
    EXPECT_EQ(emitted(*inPlace), Bytes({0xC3}) + jumpTo(detour));

    auto above = build({0x31, 0xC0, 0xC3, 0x55, 0x48}, int3s);
    ASSERT_TRUE(above);
    EXPECT_TRUE(above->patchAbove);
    EXPECT_EQ(emitted(*above), Bytes({0x31, 0xC0, 0xC3}) + jumpTo(detour));

    EXPECT_FALSE(build({0x31, 0xC0, 0xC3, 0x55, 0x48}, Bytes(5, 0x55))) << "no padding above";
    EXPECT_FALSE(build({0x31, 0xC0, 0xC3, 0x55, 0x48})) << "above is not executable";
    EXPECT_FALSE(build({0xC3, 0x55, 0x55, 0x55, 0x55}, int3s)) << "no room for EB F9";
    EXPECT_TRUE(build({0xC3, 0x90, 0x55, 0x55, 0x55}, int3s));
}

TEST(TrampolineBuilder, BranchesInsideThePatchStayAsTheyAre) {
    auto jrcxz = build({0xE3, 0x01, 0x90, 0x31, 0xC0, 0xC3}); // jrcxz to target+3
    ASSERT_TRUE(jrcxz);
    EXPECT_EQ(emitted(*jrcxz),
              Bytes({0xE3, 0x01, 0x90, 0x31, 0xC0}) + jumpTo(target + 5) + jumpTo(detour));
    EXPECT_FALSE(build({0xE2, 0x10, 0x90, 0x90, 0x90})) << "loop out of the patch";
    // The internal jump lands on a conditional jump that would have to grow.
    EXPECT_FALSE(build({0xEB, 0x02, 0x74, 0x7F, 0x90}));
    // A jump out at the furthest internal branch target ends the copy.
    auto jumpOut = build({0x74, 0x00, 0xEB, 0x10, 0x90, 0x90, 0xC3});
    ASSERT_TRUE(jumpOut);
    EXPECT_EQ(emitted(*jumpOut), Bytes({0x74, 0x00}) + jumpTo(target + 0x14) + jumpTo(detour));
}

TEST(TrampolineBuilder, RefusesWhatDoesNotFit) {
    EXPECT_FALSE(build({0x74, 0x10, 0x75, 0x10, 0x76, 0x10})) << "over 50 bytes";
    EXPECT_FALSE(build({0x06, 0x90, 0x90, 0x90, 0x90})) << "invalid opcode";
    EXPECT_FALSE(build({0xE8, 0x00, 0x00})) << "code ends inside an instruction";
}

} // namespace
