#pragma once
// Builds a trampoline: the first instructions of a target function, moved to
// another address and adjusted so that they behave as in place, followed by a
// jump back into the target and by the relay that leads to the detour. It
// works on byte arrays only, so any addresses can be tried without memory.

#include <cstddef>
#include <cstdint>

namespace hook {

inline constexpr size_t trampolineSlotSize = 64;
inline constexpr size_t maxTrampolineCode = 50; // a slot less the relay's absolute jump
inline constexpr size_t maxMovedInstructions = 8;
inline constexpr size_t patchSize = 5;      // E9 rel32
inline constexpr size_t patchAboveSize = 7; // E9 rel32 above the target, EB F9 at it

struct TrampolineSource {
    uint64_t target = 0;
    const uint8_t* code = nullptr; // readable bytes from the target on
    size_t codeSize = 0;
    const uint8_t* above = nullptr; // the 5 bytes before the target when executable
    uint64_t slot = 0;              // where the trampoline will live
    uint64_t detour = 0;
};

struct Trampoline {
    uint8_t bytes[trampolineSlotSize] = {};
    size_t size = 0; // copied code and relay
    uint64_t relay = 0;
    bool patchAbove = false;
    uint8_t ipCount = 0;
    uint8_t oldOffsets[maxMovedInstructions] = {};
    uint8_t newOffsets[maxMovedInstructions] = {};
};

// False when the target's first instructions cannot be moved.
bool buildTrampoline(const TrampolineSource& source, Trampoline& out);

// The jump forms the engine writes; each returns the number of bytes.
size_t writeRelativeJump(uint8_t* out, uint64_t from, uint64_t to);
size_t writeAbsoluteJump(uint8_t* out, uint64_t to);
size_t writeAbsoluteCall(uint8_t* out, uint64_t to);
size_t writeAbsoluteConditionalJump(uint8_t* out, uint8_t condition, uint64_t to);

// Padding as compilers and linkers lay it between functions: all equal, and
// one of 00, 90 (NOP) or CC (INT3). An empty range is padding.
bool isPadding(const uint8_t* bytes, size_t count);

} // namespace hook
