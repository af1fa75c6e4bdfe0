#include "hook/trampoline_builder.h"

#include "hook/x86_decoder.h"

#include <cstring>

namespace hook {

namespace {

void putAddress(uint8_t* out, uint64_t address) {
    std::memcpy(out, &address, sizeof address);
}

bool withinPatch(uint64_t dest, uint64_t target) {
    return dest >= target && dest < target + patchSize;
}

// What one moved instruction becomes in the trampoline.
struct Moved {
    uint8_t bytes[16];
    size_t size = 0;
    bool finished = false;
    bool failed = false;
};

Moved moveInstruction(const DecodedInstruction& d, const uint8_t* src, uint64_t address,
                      uint64_t newAddress, uint64_t target, uint64_t& jmpDest) {
    Moved m;
    const bool primary = d.map == OpcodeMap::Primary;
    const uint64_t next = address + d.length;
    auto copy = [&] {
        std::memcpy(m.bytes, src, d.length);
        m.size = d.length;
    };
    auto keepInternal = [&](uint64_t dest) {
        copy();
        if (dest > jmpDest) {
            jmpDest = dest;
        }
    };

    if (d.ipRelative()) {
        // With 67 the address wraps at 4 GiB, which a move cannot preserve.
        const int64_t disp =
            static_cast<int64_t>(d.displacement) + static_cast<int64_t>(address - newAddress);
        if (d.addressSize32 || disp < INT32_MIN || disp > INT32_MAX) {
            m.failed = true;
            return m;
        }
        copy();
        const int32_t disp32 = static_cast<int32_t>(disp);
        std::memcpy(m.bytes + d.dispOffset, &disp32, sizeof disp32);
        m.finished = primary && d.opcode == 0xFF && d.modRmReg() == 4;
    } else if (primary && d.opcode == 0xE8) {
        m.size = writeAbsoluteCall(m.bytes, next + d.immediate);
    } else if (primary && (d.opcode == 0xE9 || d.opcode == 0xEB)) {
        const uint64_t dest = next + d.immediate;
        if (withinPatch(dest, target)) {
            keepInternal(dest);
        } else {
            m.size = writeAbsoluteJump(m.bytes, dest);
            m.finished = address >= jmpDest;
        }
    } else if ((primary && ((d.opcode & 0xF0) == 0x70 || (d.opcode >= 0xE0 && d.opcode <= 0xE3))) ||
               (d.map == OpcodeMap::Map0F && !d.vex && (d.mapOpcode & 0xF0) == 0x80)) {
        const uint64_t dest = next + d.immediate;
        if (withinPatch(dest, target)) {
            keepInternal(dest);
        } else if (primary && d.opcode >= 0xE0) {
            // LOOP and JRCXZ have no long form to rewrite into.
            m.failed = true;
        } else {
            m.size = writeAbsoluteConditionalJump(m.bytes, d.mapOpcode & 0x0F, dest);
        }
    } else if (primary && (d.opcode == 0xC2 || d.opcode == 0xC3)) {
        copy();
        m.finished = address >= jmpDest;
    } else if (d.relativeBranch) {
        // XBEGIN: its abort address would move with it.
        m.failed = true;
    } else {
        copy();
    }
    return m;
}

// When the copy stopped within the first 5 bytes, decides where the patch goes.
bool placePatch(const TrampolineSource& source, size_t oldPos, bool& patchAbove) {
    if (source.codeSize < patchSize) {
        return false;
    }
    if (isPadding(source.code + oldPos, patchSize - oldPos)) {
        return true;
    }
    if (oldPos < 2 && !isPadding(source.code + oldPos, 2 - oldPos)) {
        return false;
    }
    if (source.above == nullptr || !isPadding(source.above, patchSize)) {
        return false;
    }
    patchAbove = true;
    return true;
}

} // namespace

size_t writeRelativeJump(uint8_t* out, uint64_t from, uint64_t to) {
    out[0] = 0xE9;
    const int32_t disp = static_cast<int32_t>(to - (from + 5));
    std::memcpy(out + 1, &disp, sizeof disp);
    return 5;
}

size_t writeAbsoluteJump(uint8_t* out, uint64_t to) {
    static constexpr uint8_t head[] = {0xFF, 0x25, 0x00, 0x00, 0x00, 0x00};
    std::memcpy(out, head, sizeof head);
    putAddress(out + sizeof head, to);
    return 14;
}

size_t writeAbsoluteCall(uint8_t* out, uint64_t to) {
    // CALL [rip+2] returns onto the short jump over the address.
    static constexpr uint8_t head[] = {0xFF, 0x15, 0x02, 0x00, 0x00, 0x00, 0xEB, 0x08};
    std::memcpy(out, head, sizeof head);
    putAddress(out + sizeof head, to);
    return 16;
}

size_t writeAbsoluteConditionalJump(uint8_t* out, uint8_t condition, uint64_t to) {
    // The inverted condition skips the 14-byte absolute jump.
    out[0] = static_cast<uint8_t>(0x71 ^ condition);
    out[1] = 0x0E;
    return 2 + writeAbsoluteJump(out + 2, to);
}

bool isPadding(const uint8_t* bytes, size_t count) {
    if (count == 0) {
        return true;
    }
    if (bytes[0] != 0x00 && bytes[0] != 0x90 && bytes[0] != 0xCC) {
        return false;
    }
    for (size_t i = 1; i < count; ++i) {
        if (bytes[i] != bytes[0]) {
            return false;
        }
    }
    return true;
}

bool buildTrampoline(const TrampolineSource& source, Trampoline& out) {
    out = Trampoline{};
    size_t oldPos = 0;
    size_t newPos = 0;
    uint64_t jmpDest = 0;
    bool finished = false;
    while (!finished) {
        const uint64_t address = source.target + oldPos;
        Moved m;
        size_t oldLength = 0;
        if (oldPos >= patchSize) {
            m.size = writeAbsoluteJump(m.bytes, address);
            finished = true;
        } else {
            DecodedInstruction d;
            if (decodeInstruction(source.code + oldPos, source.codeSize - oldPos, d) !=
                DecodeStatus::Ok) {
                return false;
            }
            m = moveInstruction(d, source.code + oldPos, address, source.slot + newPos,
                                source.target, jmpDest);
            // An internal branch may land on this instruction: it must keep its place.
            if (m.failed || (address < jmpDest && m.size != d.length)) {
                return false;
            }
            finished = m.finished;
            oldLength = d.length;
        }
        if (newPos + m.size > maxTrampolineCode || out.ipCount == maxMovedInstructions) {
            return false;
        }
        out.oldOffsets[out.ipCount] = static_cast<uint8_t>(oldPos);
        out.newOffsets[out.ipCount] = static_cast<uint8_t>(newPos);
        ++out.ipCount;
        std::memcpy(out.bytes + newPos, m.bytes, m.size);
        newPos += m.size;
        oldPos += oldLength;
    }
    if (oldPos < patchSize && !placePatch(source, oldPos, out.patchAbove)) {
        return false;
    }
    out.relay = source.slot + newPos;
    out.size = newPos + writeAbsoluteJump(out.bytes + newPos, source.detour);
    return true;
}

} // namespace hook
