#include "hook/x86_opcode_tables.h"

namespace hook {

namespace {

// Short names keep each table row on one line, sixteen opcodes per row.
constexpr OpcodeInfo N{0, ImmKind::None};
constexpr OpcodeInfo X{OpInvalid, ImmKind::None};
constexpr OpcodeInfo P{OpPrefix, ImmKind::None};
constexpr OpcodeInfo R{OpRex, ImmKind::None};
constexpr OpcodeInfo M{OpModRm, ImmKind::None};
constexpr OpcodeInfo L{OpModRm | OpLockable, ImmKind::None};
constexpr OpcodeInfo Mm{OpModRm | OpMemOnly, ImmKind::None};
constexpr OpcodeInfo Mr{OpModRm | OpRegOnly, ImmKind::None};
constexpr OpcodeInfo G{OpModRm | OpGroup, ImmKind::None};
constexpr OpcodeInfo GIb{OpModRm | OpGroup, ImmKind::Ib};
constexpr OpcodeInfo GIz{OpModRm | OpGroup, ImmKind::Iz};
constexpr OpcodeInfo MIb{OpModRm, ImmKind::Ib};
constexpr OpcodeInfo MIz{OpModRm, ImmKind::Iz};
constexpr OpcodeInfo Ib{0, ImmKind::Ib};
constexpr OpcodeInfo Iw{0, ImmKind::Iw};
constexpr OpcodeInfo Iz{0, ImmKind::Iz};
constexpr OpcodeInfo Iv{0, ImmKind::Iv};
constexpr OpcodeInfo IwIb{0, ImmKind::IwIb};
constexpr OpcodeInfo Ob{0, ImmKind::Ob};
constexpr OpcodeInfo Jb{0, ImmKind::Jb};
constexpr OpcodeInfo Jz{0, ImmKind::Jz};
// Escapes and the VEX/EVEX lead bytes are handled before the table is read.
constexpr OpcodeInfo E{0, ImmKind::None};

} // namespace

// Opcodes removed from 64-bit mode (PUSH ES, DAA, BOUND, far CALL/JMP with a
// pointer, LES/LDS, INTO, AAM/AAD, SALC, ...) are invalid here.
// clang-format off
const OpcodeInfo primaryMap[256] = {
    // 0x00
    L, L, M, M, Ib, Iz, X, X, L, L, M, M, Ib, Iz, X, E,
    // 0x10
    L, L, M, M, Ib, Iz, X, X, L, L, M, M, Ib, Iz, X, X,
    // 0x20
    L, L, M, M, Ib, Iz, P, X, L, L, M, M, Ib, Iz, P, X,
    // 0x30
    L, L, M, M, Ib, Iz, P, X, M, M, M, M, Ib, Iz, P, X,
    // 0x40
    R, R, R, R, R, R, R, R, R, R, R, R, R, R, R, R,
    // 0x50
    N, N, N, N, N, N, N, N, N, N, N, N, N, N, N, N,
    // 0x60: 62 is EVEX
    X, X, E, M, P, P, P, P, Iz, MIz, Ib, MIb, N, N, N, N,
    // 0x70
    Jb, Jb, Jb, Jb, Jb, Jb, Jb, Jb, Jb, Jb, Jb, Jb, Jb, Jb, Jb, Jb,
    // 0x80
    GIb, GIz, X, GIb, M, M, L, L, M, M, M, M, M, Mm, M, G,
    // 0x90
    N, N, N, N, N, N, N, N, N, N, X, N, N, N, N, N,
    // 0xA0
    Ob, Ob, Ob, Ob, N, N, N, N, Ib, Iz, N, N, N, N, N, N,
    // 0xB0
    Ib, Ib, Ib, Ib, Ib, Ib, Ib, Ib, Iv, Iv, Iv, Iv, Iv, Iv, Iv, Iv,
    // 0xC0: C4 and C5 are VEX
    MIb, MIb, Iw, N, E, E, GIb, GIz, IwIb, N, Iw, N, N, Ib, X, N,
    // 0xD0
    M, M, M, M, X, X, X, N, M, M, M, M, M, M, M, M,
    // 0xE0
    Jb, Jb, Jb, Jb, Ib, Ib, Ib, Ib, Jz, Jz, X, Jb, N, N, N, N,
    // 0xF0
    P, N, P, P, N, N, G, G, N, N, N, N, N, N, G, G,
};
// clang-format on

// clang-format off
const OpcodeInfo map0F[256] = {
    // 0x00: 0F 0F (3DNow!) is refused by the decoder
    G, M, M, M, X, N, N, N, N, N, X, N, X, M, N, E,
    // 0x10
    M, M, M, M, M, M, M, M, M, M, M, M, M, M, M, M,
    // 0x20
    Mr, Mr, Mr, Mr, X, X, X, X, M, M, M, M, M, M, M, M,
    // 0x30: 38 and 3A are escapes
    N, N, N, N, N, N, X, N, E, X, E, X, X, X, X, X,
    // 0x40
    M, M, M, M, M, M, M, M, M, M, M, M, M, M, M, M,
    // 0x50
    M, M, M, M, M, M, M, M, M, M, M, M, M, M, M, M,
    // 0x60
    M, M, M, M, M, M, M, M, M, M, M, M, M, M, M, M,
    // 0x70: 78 and 79 take two immediates with 66/F2 (SSE4a)
    MIb, GIb, GIb, GIb, M, M, M, N, M, M, X, X, M, M, M, M,
    // 0x80
    Jz, Jz, Jz, Jz, Jz, Jz, Jz, Jz, Jz, Jz, Jz, Jz, Jz, Jz, Jz, Jz,
    // 0x90
    M, M, M, M, M, M, M, M, M, M, M, M, M, M, M, M,
    // 0xA0
    N, N, N, M, MIb, M, X, X, N, N, N, L, MIb, M, M, M,
    // 0xB0
    L, L, Mm, L, Mm, Mm, M, M, M, M, GIb, L, M, M, M, M,
    // 0xC0
    L, L, MIb, Mm, MIb, MIb, MIb, G, N, N, N, N, N, N, N, N,
    // 0xD0
    M, M, M, M, M, M, M, M, M, M, M, M, M, M, M, M,
    // 0xE0
    M, M, M, M, M, M, M, M, M, M, M, M, M, M, M, M,
    // 0xF0
    M, M, M, M, M, M, M, M, M, M, M, M, M, M, M, M,
};
// clang-format on

namespace {

struct Range {
    uint8_t first;
    uint8_t last;
};

template <unsigned n> bool inRanges(uint8_t opcode, const Range (&ranges)[n]) {
    for (const Range& r : ranges) {
        if (opcode >= r.first && opcode <= r.last) {
            return true;
        }
    }
    return false;
}

// SSSE3, SSE4.1/4.2, VMX/INVPCID, SHA, GFNI, AES-NI, MOVBE/CRC32, ADX, CET
// shadow-stack stores, MOVDIRI/MOVDIR64B/ENQCMD, RAO.
constexpr Range valid0F38[] = {
    {0x00, 0x0B}, {0x10, 0x10}, {0x14, 0x15}, {0x17, 0x17}, {0x1C, 0x1E}, {0x20, 0x25},
    {0x28, 0x2B}, {0x30, 0x35}, {0x37, 0x41}, {0x80, 0x82}, {0xC8, 0xCD}, {0xCF, 0xCF},
    {0xDB, 0xDF}, {0xF0, 0xF1}, {0xF5, 0xF6}, {0xF8, 0xF9}, {0xFC, 0xFC},
};

// SSE4.1/4.2 rounds, blends, inserts and extracts, PALIGNR, PCLMULQDQ,
// string compares, SHA1RNDS4, GFNI affine, AESKEYGENASSIST, HRESET.
constexpr Range valid0F3A[] = {
    {0x08, 0x0F}, {0x14, 0x17}, {0x20, 0x22}, {0x40, 0x42}, {0x44, 0x44},
    {0x60, 0x63}, {0xCC, 0xCC}, {0xCE, 0xCF}, {0xDF, 0xDF}, {0xF0, 0xF0},
};

constexpr Range vexImm8Map1[] = {{0x70, 0x73}, {0xC2, 0xC2}, {0xC4, 0xC6}};

} // namespace

bool isValid0F38(uint8_t opcode) {
    return inRanges(opcode, valid0F38);
}

bool isValid0F3A(uint8_t opcode) {
    return inRanges(opcode, valid0F3A);
}

bool vexMap1HasImm8(uint8_t opcode) {
    return inRanges(opcode, vexImm8Map1);
}

} // namespace hook
