#include "hook/x86_decoder.h"

#include "hook/x86_opcode_tables.h"

#include <cstring>

namespace hook {

namespace {

constexpr size_t maxInstructionLength = 15;

constexpr OpcodeInfo N{0, ImmKind::None};
constexpr OpcodeInfo M{OpModRm, ImmKind::None};
constexpr OpcodeInfo MIb{OpModRm, ImmKind::Ib};

bool isLegacyPrefix(uint8_t b) {
    switch (b) {
    case 0x26:
    case 0x2E:
    case 0x36:
    case 0x3E:
    case 0x64:
    case 0x65:
    case 0x66:
    case 0x67:
    case 0xF0:
    case 0xF2:
    case 0xF3:
        return true;
    default:
        return false;
    }
}

class Reader {
public:
    Reader(const uint8_t* code, size_t available)
        : code_(code),
          available_(available < maxInstructionLength ? available : maxInstructionLength),
          tooLong_(available > maxInstructionLength) {}

    bool has(size_t n) const { return pos_ + n <= available_; }
    uint8_t peek() const { return code_[pos_]; }
    uint8_t next() { return code_[pos_++]; }
    size_t pos() const { return pos_; }
    // Running out at the 15-byte limit means the instruction is too long,
    // not that the caller gave too few bytes.
    DecodeStatus shortage() const {
        return tooLong_ ? DecodeStatus::TooLong : DecodeStatus::Truncated;
    }

    int64_t readSigned(size_t size) {
        int64_t value = 0;
        switch (size) {
        case 1:
            value = static_cast<int8_t>(code_[pos_]);
            break;
        case 2: {
            uint16_t v;
            std::memcpy(&v, code_ + pos_, 2);
            value = v;
            break;
        }
        case 4: {
            int32_t v;
            std::memcpy(&v, code_ + pos_, 4);
            value = v;
            break;
        }
        case 8:
            std::memcpy(&value, code_ + pos_, 8);
            break;
        default:
            break;
        }
        return value;
    }
    void skip(size_t n) { pos_ += n; }

private:
    const uint8_t* code_;
    size_t available_;
    bool tooLong_;
    size_t pos_ = 0;
};

// What the VEX or EVEX payload tells about the rest of the instruction.
struct VexForm {
    OpcodeMap map;
};

DecodeStatus readVex(Reader& in, uint8_t lead, DecodedInstruction& out, VexForm& form) {
    out.vex = true;
    if (lead == 0xC5) {
        if (!in.has(1)) {
            return in.shortage();
        }
        in.next();
        form.map = OpcodeMap::Map0F;
        return DecodeStatus::Ok;
    }
    if (lead == 0xC4) {
        if (!in.has(2)) {
            return in.shortage();
        }
        uint8_t p0 = in.next();
        in.next();
        switch (p0 & 0x1F) {
        case 1:
            form.map = OpcodeMap::Map0F;
            break;
        case 2:
            form.map = OpcodeMap::Map0F38;
            break;
        case 3:
            form.map = OpcodeMap::Map0F3A;
            break;
        default:
            return DecodeStatus::Invalid;
        }
        return DecodeStatus::Ok;
    }
    // EVEX: three payload bytes with fixed bits that tell it from BOUND.
    out.evex = true;
    if (!in.has(3)) {
        return in.shortage();
    }
    uint8_t p0 = in.next();
    uint8_t p1 = in.next();
    in.next();
    if ((p0 & 0x08) != 0 || (p1 & 0x04) == 0) {
        return DecodeStatus::Invalid;
    }
    switch (p0 & 0x07) {
    case 1:
        form.map = OpcodeMap::Map0F;
        break;
    case 2:
        form.map = OpcodeMap::Map0F38;
        break;
    case 3:
        form.map = OpcodeMap::Map0F3A;
        break;
    case 5:
        form.map = OpcodeMap::MapEvex5;
        break;
    case 6:
        form.map = OpcodeMap::MapEvex6;
        break;
    default:
        return DecodeStatus::Unsupported;
    }
    return DecodeStatus::Ok;
}

DecodeStatus readModRm(Reader& in, DecodedInstruction& out, bool registersOnly) {
    if (!in.has(1)) {
        return in.shortage();
    }
    out.hasModRm = true;
    out.modRm = in.next();
    uint8_t mod = out.modRm >> 6;
    uint8_t rm = out.modRm & 7;
    if (mod == 3 || registersOnly) {
        return DecodeStatus::Ok;
    }
    if (rm == 4) {
        if (!in.has(1)) {
            return in.shortage();
        }
        out.hasSib = true;
        out.sib = in.next();
        if (mod == 0 && (out.sib & 7) == 5) {
            out.dispSize = 4;
        }
    }
    if (mod == 0 && rm == 5) {
        out.dispSize = 4;
    } else if (mod == 1) {
        out.dispSize = 1;
    } else if (mod == 2) {
        out.dispSize = 4;
    }
    if (out.dispSize != 0) {
        if (!in.has(out.dispSize)) {
            return in.shortage();
        }
        out.dispOffset = static_cast<uint8_t>(in.pos());
        out.displacement = static_cast<int32_t>(in.readSigned(out.dispSize));
        in.skip(out.dispSize);
    }
    return DecodeStatus::Ok;
}

// Refines a group opcode by its reg field: validity, LOCK and immediate.
DecodeStatus refineGroup(DecodedInstruction& out, OpcodeInfo& info) {
    const uint8_t reg = out.modRmReg();
    const bool memory = (out.modRm >> 6) != 3;
    if (out.map == OpcodeMap::Primary) {
        switch (out.opcode) {
        case 0x80:
        case 0x81:
        case 0x83: // ADD..CMP; CMP alone cannot be locked
            if (reg != 7) {
                info.flags |= OpLockable;
            }
            return DecodeStatus::Ok;
        case 0x8F: // POP Ev; other reg values are AMD's XOP
            return reg == 0 ? DecodeStatus::Ok : DecodeStatus::Unsupported;
        case 0xC6:
        case 0xC7: // MOV Ev, imm; XABORT/XBEGIN as C6 F8 / C7 F8
            if (reg == 0) {
                return DecodeStatus::Ok;
            }
            if (out.modRm == 0xF8) {
                if (out.opcode == 0xC7) {
                    info.imm = ImmKind::Jz;
                }
                return DecodeStatus::Ok;
            }
            return DecodeStatus::Invalid;
        case 0xF6:
        case 0xF7: // TEST takes an immediate, NOT/NEG can be locked
            if (reg <= 1) {
                info.imm = out.opcode == 0xF6 ? ImmKind::Ib : ImmKind::Iz;
            } else if (reg <= 3) {
                info.flags |= OpLockable;
            }
            return DecodeStatus::Ok;
        case 0xFE: // INC/DEC Eb only
            if (reg > 1) {
                return DecodeStatus::Invalid;
            }
            info.flags |= OpLockable;
            return DecodeStatus::Ok;
        case 0xFF:
            if (reg == 7 || ((reg == 3 || reg == 5) && !memory)) {
                return DecodeStatus::Invalid;
            }
            if (reg <= 1) {
                info.flags |= OpLockable;
            }
            return DecodeStatus::Ok;
        default:
            return DecodeStatus::Ok;
        }
    }
    switch (out.mapOpcode) {
    case 0x00: // SLDT..VERW
        return reg <= 5 ? DecodeStatus::Ok : DecodeStatus::Invalid;
    case 0x71:
    case 0x72: // MMX/SSE shifts by immediate, register operand only
        return !memory && (reg == 2 || reg == 4 || reg == 6) ? DecodeStatus::Ok
                                                             : DecodeStatus::Invalid;
    case 0x73:
        return !memory && (reg == 2 || reg == 3 || reg == 6 || reg == 7) ? DecodeStatus::Ok
                                                                         : DecodeStatus::Invalid;
    case 0xBA: // BT/BTS/BTR/BTC Ev, Ib
        if (reg < 4) {
            return DecodeStatus::Invalid;
        }
        if (reg > 4) {
            info.flags |= OpLockable;
        }
        return DecodeStatus::Ok;
    case 0xC7: // CMPXCHG8B/16B is the lockable one
        if (reg == 1) {
            if (!memory) {
                return DecodeStatus::Invalid;
            }
            info.flags |= OpLockable;
        }
        return DecodeStatus::Ok;
    default:
        return DecodeStatus::Ok;
    }
}

size_t immediateSize(ImmKind kind, const DecodedInstruction& out) {
    switch (kind) {
    case ImmKind::None:
        return 0;
    case ImmKind::Ib:
    case ImmKind::Jb:
        return 1;
    case ImmKind::Iw:
    case ImmKind::IbIb:
        return 2;
    case ImmKind::IwIb:
        return 3;
    case ImmKind::Iz:
        return out.operandSize16 && (out.rex & 0x08) == 0 ? 2 : 4;
    case ImmKind::Jz:
        return 4;
    case ImmKind::Iv:
        return (out.rex & 0x08) != 0 ? 8 : (out.operandSize16 ? 2 : 4);
    case ImmKind::Ob:
        return out.addressSize32 ? 4 : 8;
    }
    return 0;
}

// Opcode attributes for the map chosen by escapes or a VEX/EVEX payload.
DecodeStatus lookUp(const DecodedInstruction& out, OpcodeInfo& info) {
    const uint8_t op = out.mapOpcode;
    switch (out.map) {
    case OpcodeMap::Primary:
        info = primaryMap[op];
        break;
    case OpcodeMap::Map0F:
        if (out.vex) {
            // VZEROUPPER/VZEROALL are the only VEX opcodes without a ModRM.
            info = op == 0x77
                       ? N
                       : OpcodeInfo{OpModRm, vexMap1HasImm8(op) ? ImmKind::Ib : ImmKind::None};
            return DecodeStatus::Ok;
        }
        info = map0F[op];
        if (op == 0x0F) {
            return DecodeStatus::Unsupported;
        }
        if (op == 0x78 && (out.operandSize16 || out.repnz)) {
            info.imm = ImmKind::IbIb;
        }
        break;
    case OpcodeMap::Map0F38:
        if (!out.vex && !isValid0F38(op)) {
            return DecodeStatus::Invalid;
        }
        info = M;
        break;
    case OpcodeMap::Map0F3A:
        if (!out.vex && !isValid0F3A(op)) {
            return DecodeStatus::Invalid;
        }
        info = MIb;
        break;
    case OpcodeMap::MapEvex5:
    case OpcodeMap::MapEvex6:
        info = M;
        break;
    }
    return (info.flags & OpInvalid) != 0 ? DecodeStatus::Invalid : DecodeStatus::Ok;
}

} // namespace

DecodeStatus decodeInstruction(const uint8_t* code, size_t available, DecodedInstruction& out) {
    out = DecodedInstruction{};
    Reader in(code, available);

    bool mandatoryPrefix = false; // 66, F2 or F3, which VEX and EVEX forbid
    while (in.has(1) && isLegacyPrefix(in.peek())) {
        switch (in.next()) {
        case 0xF0:
            out.lock = true;
            break;
        case 0xF2:
            out.repnz = true;
            mandatoryPrefix = true;
            break;
        case 0xF3:
            out.repz = true;
            mandatoryPrefix = true;
            break;
        case 0x66:
            out.operandSize16 = true;
            mandatoryPrefix = true;
            break;
        case 0x67:
            out.addressSize32 = true;
            break;
        default:
            break;
        }
        ++out.prefixCount;
    }
    if (!in.has(1)) {
        return in.shortage();
    }
    if ((in.peek() & 0xF0) == 0x40) {
        out.rex = in.next();
        if (!in.has(1)) {
            return in.shortage();
        }
        // A REX that is not last is ignored by the processor; such code is
        // not what a compiler writes, so it is refused rather than guessed.
        if (isLegacyPrefix(in.peek()) || (in.peek() & 0xF0) == 0x40) {
            return DecodeStatus::Unsupported;
        }
    }

    out.opcode = in.next();
    out.mapOpcode = out.opcode;
    if (out.opcode == 0xC4 || out.opcode == 0xC5 || out.opcode == 0x62) {
        if (mandatoryPrefix || out.lock || out.rex != 0) {
            return DecodeStatus::Invalid;
        }
        VexForm form{};
        DecodeStatus status = readVex(in, out.opcode, out, form);
        if (status != DecodeStatus::Ok) {
            return status;
        }
        out.map = form.map;
        out.opcode = 0x0F;
        if (!in.has(1)) {
            return in.shortage();
        }
        out.mapOpcode = in.next();
    } else if (out.opcode == 0x0F) {
        if (!in.has(1)) {
            return in.shortage();
        }
        out.mapOpcode = in.next();
        out.map = OpcodeMap::Map0F;
        if (out.mapOpcode == 0x38 || out.mapOpcode == 0x3A) {
            out.map = out.mapOpcode == 0x38 ? OpcodeMap::Map0F38 : OpcodeMap::Map0F3A;
            if (!in.has(1)) {
                return in.shortage();
            }
            out.mapOpcode = in.next();
        }
    }

    OpcodeInfo info{};
    DecodeStatus status = lookUp(out, info);
    if (status != DecodeStatus::Ok) {
        return status;
    }
    if ((info.flags & OpModRm) != 0) {
        status = readModRm(in, out, (info.flags & OpRegOnly) != 0);
        if (status != DecodeStatus::Ok) {
            return status;
        }
        const bool memory = (out.modRm >> 6) != 3;
        if ((info.flags & OpMemOnly) != 0 && !memory) {
            return DecodeStatus::Invalid;
        }
        if ((info.flags & OpGroup) != 0 && !out.vex) {
            status = refineGroup(out, info);
            if (status != DecodeStatus::Ok) {
                return status;
            }
        }
    }
    if (out.lock && ((info.flags & OpLockable) == 0 || !out.hasModRm || (out.modRm >> 6) == 3)) {
        return DecodeStatus::InvalidLock;
    }

    // Intel ignores 66 on near branches in 64-bit mode and AMD honours it, so
    // the length depends on the processor: refuse, unless REX.W settles the
    // size (the TLS call sequence 66 66 48 E8).
    if (info.imm == ImmKind::Jz && out.operandSize16 && (out.rex & 0x08) == 0) {
        return DecodeStatus::Unsupported;
    }
    const size_t imm = immediateSize(info.imm, out);
    if (imm != 0) {
        if (!in.has(imm)) {
            return in.shortage();
        }
        out.immOffset = static_cast<uint8_t>(in.pos());
        out.immSize = static_cast<uint8_t>(imm);
        const size_t first = info.imm == ImmKind::IwIb ? 2 : (info.imm == ImmKind::IbIb ? 1 : imm);
        out.immediate = in.readSigned(first);
        in.skip(imm);
    }
    out.relativeBranch = info.imm == ImmKind::Jb || info.imm == ImmKind::Jz;
    out.length = static_cast<uint8_t>(in.pos());
    return DecodeStatus::Ok;
}

} // namespace hook
