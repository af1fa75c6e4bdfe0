// Hand-written instructions for each prefix, map and operand form, with the
// lengths and fields the instruction set reference gives them, and the
// encodings that must be refused.

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "hook/x86_decoder.h"

using namespace hook;

namespace {

DecodedInstruction decode(std::initializer_list<uint8_t> bytes,
                          DecodeStatus expected = DecodeStatus::Ok) {
    std::vector<uint8_t> code(bytes);
    DecodedInstruction d;
    EXPECT_EQ(decodeInstruction(code.data(), code.size(), d), expected);
    return d;
}

uint8_t lengthOf(std::initializer_list<uint8_t> bytes) {
    return decode(bytes).length;
}

TEST(Decoder, LegacyPrefixesAndRex) {
    EXPECT_EQ(lengthOf({0x66, 0x05, 0x34, 0x12}), 4);                      // add ax, imm16
    EXPECT_EQ(lengthOf({0x66, 0x48, 0x05, 1, 2, 3, 4}), 7);                // REX.W beats 66
    EXPECT_EQ(lengthOf({0x64, 0x48, 0x8B, 0x04, 0x25, 0x28, 0, 0, 0}), 9); // mov rax, fs:[0x28]
    EXPECT_EQ(lengthOf({0xF3, 0x48, 0xAB}), 3);                            // rep stosq
    EXPECT_EQ(lengthOf({0x66, 0x66, 0x2E, 0x0F, 0x1F, 0x84, 0, 0, 0, 0, 0}), 11);
    EXPECT_EQ(lengthOf({0x66, 0x66, 0x48, 0xE8, 1, 2, 3, 4}), 8); // TLS call sequence
    EXPECT_EQ(lengthOf({0xF0, 0x48, 0x0F, 0xB1, 0x0A}), 5);       // lock cmpxchg [rdx], rcx
    EXPECT_EQ(lengthOf({0x67, 0xA1, 1, 2, 3, 4}), 6);             // moffs shrinks with 67
    EXPECT_EQ(lengthOf({0xA1, 1, 2, 3, 4, 5, 6, 7, 8}), 9);
    DecodedInstruction movImm64 = decode({0x49, 0xBB, 8, 7, 6, 5, 4, 3, 2, 1});
    EXPECT_EQ(movImm64.length, 10);
    EXPECT_EQ(movImm64.rex, 0x49);
    EXPECT_EQ(movImm64.immediate, 0x0102030405060708);
}

TEST(Decoder, ModRmSibDisplacementAndImmediates) {
    EXPECT_EQ(lengthOf({0x8B, 0x04, 0x25, 1, 2, 3, 4}), 7); // SIB without base: disp32
    EXPECT_EQ(lengthOf({0x8B, 0x45, 0xF8}), 3);             // [rbp-8]
    EXPECT_EQ(lengthOf({0x8B, 0x44, 0x24, 0x08}), 4);       // [rsp+8]
    EXPECT_EQ(lengthOf({0x8B, 0x84, 0x24, 1, 2, 3, 4}), 7);
    EXPECT_EQ(lengthOf({0xC8, 0x10, 0x00, 0x01}), 4); // enter
    EXPECT_EQ(lengthOf({0xC2, 0x08, 0x00}), 3);       // ret imm16
    EXPECT_EQ(lengthOf({0xF6, 0x00, 0x7F}), 3);       // test byte [rax], imm8
    EXPECT_EQ(lengthOf({0xF6, 0x10}), 2);             // not byte [rax]: no immediate
    EXPECT_EQ(lengthOf({0xF7, 0xC1, 1, 2, 3, 4}), 6); // test ecx, imm32
    EXPECT_EQ(lengthOf({0x66, 0xF7, 0xC1, 1, 2}), 5);

    DecodedInstruction cmp = decode({0x83, 0x3D, 0x10, 0x00, 0x00, 0x00, 0xFB}); // cmp [rip+16], -5
    EXPECT_TRUE(cmp.ipRelative());
    EXPECT_EQ(cmp.displacement, 16);
    EXPECT_EQ(cmp.dispOffset, 2);
    EXPECT_EQ(cmp.immSize, 1);
    EXPECT_EQ(cmp.immediate, -5);
    EXPECT_EQ(cmp.modRmReg(), 7);

    DecodedInstruction call = decode({0xE8, 0xFC, 0xFF, 0xFF, 0xFF});
    EXPECT_TRUE(call.relativeBranch);
    EXPECT_EQ(call.immediate, -4);
    EXPECT_FALSE(decode({0xFF, 0x25, 0, 0, 0, 0}).relativeBranch);
}

TEST(Decoder, EscapeMapsVexAndEvex) {
    DecodedInstruction jcc = decode({0x0F, 0x84, 0x00, 0x01, 0x00, 0x00});
    EXPECT_EQ(jcc.map, OpcodeMap::Map0F);
    EXPECT_EQ(jcc.mapOpcode, 0x84);
    EXPECT_EQ(jcc.immediate, 0x100);
    EXPECT_EQ(lengthOf({0x0F, 0x05}), 2);                         // syscall
    EXPECT_EQ(lengthOf({0x0F, 0xBA, 0xE0, 0x05}), 4);             // bt eax, 5
    EXPECT_EQ(lengthOf({0xF3, 0x0F, 0x1E, 0xFA}), 4);             // endbr64
    EXPECT_EQ(lengthOf({0x66, 0x0F, 0x38, 0x00, 0xC1}), 5);       // pshufb
    EXPECT_EQ(lengthOf({0x66, 0x0F, 0x3A, 0x0F, 0xC1, 0x08}), 6); // palignr
    EXPECT_EQ(lengthOf({0xC5, 0xF8, 0x77}), 3);                   // vzeroupper
    EXPECT_EQ(lengthOf({0xC4, 0xE3, 0x7D, 0x18, 0xC1, 0x01}), 6); // vinsertf128
    EXPECT_EQ(lengthOf({0xC5, 0xF9, 0x70, 0xC1, 0x1B}), 5);       // vpshufd: map 1 with imm8
    DecodedInstruction vex =
        decode({0xC5, 0xFD, 0x6F, 0x05, 0x20, 0, 0, 0}); // vmovdqa ymm0, [rip+32]
    EXPECT_TRUE(vex.vex);
    EXPECT_TRUE(vex.ipRelative());
    EXPECT_EQ(vex.length, 8);
    DecodedInstruction evex = decode({0x62, 0xF1, 0x7C, 0x48, 0x10, 0x05, 0x40, 0, 0, 0});
    EXPECT_TRUE(evex.evex);
    EXPECT_EQ(evex.length, 10);
    EXPECT_EQ(evex.displacement, 0x40);
}

TEST(Decoder, RefusedEncodings) {
    decode({0x06}, DecodeStatus::Invalid);       // push es: gone in 64-bit mode
    decode({0x8D, 0xC0}, DecodeStatus::Invalid); // lea with a register operand
    decode({0xFF, 0xF8}, DecodeStatus::Invalid); // FF /7
    decode({0xFE, 0xD0}, DecodeStatus::Invalid); // FE /2
    decode({0x0F, 0x04}, DecodeStatus::Invalid);
    decode({0x0F, 0x38, 0x50, 0xC0}, DecodeStatus::Invalid);       // legacy 0F 38 50 does not exist
    decode({0xC4, 0xE0, 0x7D, 0x18, 0xC1}, DecodeStatus::Invalid); // VEX map 0
    decode({0x66, 0xC5, 0xF8, 0x77}, DecodeStatus::Invalid);       // VEX after 66
    decode({0xF0, 0x90}, DecodeStatus::InvalidLock);
    decode({0xF0, 0x01, 0xC0}, DecodeStatus::InvalidLock); // register destination
    decode({0xF0, 0x38, 0x00}, DecodeStatus::InvalidLock); // cmp cannot be locked
    decode({0xF0, 0x80, 0x38, 0x01}, DecodeStatus::InvalidLock);
    EXPECT_EQ(decode({0xF0, 0x80, 0x30, 0x01}).length, 4);       // lock xor byte [rax], 1
    decode({0x66, 0xE9, 0, 0}, DecodeStatus::Unsupported);       // rel16 differs by vendor
    decode({0x48, 0x66, 0x90}, DecodeStatus::Unsupported);       // REX not last
    decode({0x0F, 0x0F, 0xC1, 0xB4}, DecodeStatus::Unsupported); // 3DNow!
    decode({0xE8, 0x00, 0x00}, DecodeStatus::Truncated);
    decode({0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66,
            0x05, 1, 2},
           DecodeStatus::TooLong);
}

} // namespace
