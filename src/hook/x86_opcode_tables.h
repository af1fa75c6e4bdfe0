#pragma once
// Attributes of every opcode of the maps the decoder walks, for 64-bit mode.
// Group opcodes (whose reg field selects the instruction) carry the
// attributes common to the group; the decoder refines them by reg field.

#include <cstdint>

namespace hook {

enum class ImmKind : uint8_t {
    None,
    Ib,   // 8-bit
    Iw,   // 16-bit
    Iz,   // 16-bit with 66, else 32-bit
    Iv,   // 16/32/64-bit: the only 64-bit immediate (MOV r64, imm64)
    IwIb, // ENTER
    IbIb, // EXTRQ/INSERTQ immediate forms
    Ob,   // moffs: an 8-byte address, 4 with 67
    Jb,   // 8-bit branch displacement
    Jz,   // 32-bit branch displacement
};

enum OpcodeFlag : uint8_t {
    OpModRm = 1 << 0,
    OpLockable = 1 << 1, // accepts LOCK with a memory operand
    OpInvalid = 1 << 2,
    OpPrefix = 1 << 3,  // legacy prefix byte, never an opcode
    OpRex = 1 << 4,     // REX prefix
    OpGroup = 1 << 5,   // validity, LOCK or immediate depend on ModRM.reg
    OpMemOnly = 1 << 6, // a register operand (mod 3) is invalid
    OpRegOnly = 1 << 7, // mod is ignored: ModRM always names registers
};

struct OpcodeInfo {
    uint8_t flags;
    ImmKind imm;
};

extern const OpcodeInfo primaryMap[256];
extern const OpcodeInfo map0F[256];

// Legacy-encoded 0F 38 and 0F 3A opcodes that exist; every 0F 38 opcode has a
// ModRM and no immediate, every 0F 3A opcode a ModRM and an 8-bit immediate.
bool isValid0F38(uint8_t opcode);
bool isValid0F3A(uint8_t opcode);

// VEX and EVEX map 1 (0F) opcodes that carry an 8-bit immediate.
bool vexMap1HasImm8(uint8_t opcode);

} // namespace hook
