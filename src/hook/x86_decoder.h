#pragma once
// Length and field decoder for x86-64 instructions in 64-bit mode. It knows
// enough of every encoding to find where an instruction ends and where its
// displacement and immediate lie; it does not name instructions.

#include <cstddef>
#include <cstdint>

namespace hook {

enum class OpcodeMap : uint8_t {
    Primary,  // one-byte opcodes
    Map0F,    // 0F xx
    Map0F38,  // 0F 38 xx
    Map0F3A,  // 0F 3A xx
    MapEvex5, // EVEX map 5 (half-precision)
    MapEvex6, // EVEX map 6 (half-precision)
};

enum class DecodeStatus : uint8_t {
    Ok,
    Truncated,   // the bytes ran out before the instruction ended
    TooLong,     // more than 15 bytes
    Invalid,     // undefined opcode or operand form in 64-bit mode
    InvalidLock, // LOCK on an instruction or form that does not take it
    Unsupported, // defined, but an encoding this decoder refuses (3DNow!, XOP, stray REX)
};

struct DecodedInstruction {
    uint8_t length = 0;
    OpcodeMap map = OpcodeMap::Primary;
    // For the primary map, the opcode byte; otherwise 0x0F.
    uint8_t opcode = 0;
    // The opcode byte within its map (0F xx, 0F 38 xx, 0F 3A xx); for the
    // primary map, equal to `opcode`.
    uint8_t mapOpcode = 0;
    uint8_t prefixCount = 0; // legacy prefixes, not REX/VEX/EVEX
    uint8_t rex = 0;         // 0 when absent
    bool vex = false;        // VEX (C4/C5) or EVEX (62) encoded
    bool evex = false;
    bool lock = false;
    bool operandSize16 = false; // 66 prefix
    bool addressSize32 = false; // 67 prefix
    bool repz = false;          // F3
    bool repnz = false;         // F2
    bool hasModRm = false;
    uint8_t modRm = 0;
    bool hasSib = false;
    uint8_t sib = 0;
    uint8_t dispSize = 0; // 0, 1 or 4
    uint8_t dispOffset = 0;
    int32_t displacement = 0; // sign-extended
    uint8_t immSize = 0;      // total bytes of immediates (ENTER has 3, EXTRQ 2)
    uint8_t immOffset = 0;
    // The first immediate: 8- and 32-bit values sign-extended, 16- and 64-bit
    // values as they are.
    int64_t immediate = 0;
    // A branch whose immediate is a displacement from the next instruction.
    bool relativeBranch = false;

    uint8_t modRmReg() const { return (modRm >> 3) & 7; }
    bool ipRelative() const { return hasModRm && (modRm & 0xC7) == 0x05; }
};

// Decodes one instruction from `code`, which holds `available` readable bytes.
DecodeStatus decodeInstruction(const uint8_t* code, size_t available, DecodedInstruction& out);

} // namespace hook
