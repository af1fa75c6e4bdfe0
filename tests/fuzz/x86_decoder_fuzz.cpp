// The x86-64 length decoder on any bytes: it never reads past what it is
// given, and an instruction it accepts has a length, fields inside it, and
// the same decoding whatever follows it.
#include "fuzz_check.h"
#include "hook/x86_decoder.h"

#include <cstdint>
#include <cstring>
#include <memory>

using namespace hook;

namespace {

DecodeStatus decodeExactly(const std::uint8_t* data, std::size_t size, DecodedInstruction& out) {
    // A buffer of exactly this size, so that a read beyond it is caught.
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size ? size : 1]);
    if (size)
        std::memcpy(copy.get(), data, size);
    return decodeInstruction(copy.get(), size, out);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DecodedInstruction first;
    const DecodeStatus status = decodeExactly(data, size, first);
    if (status != DecodeStatus::Ok)
        return 0;
    fuzzCheck(first.length >= 1 && first.length <= 15 && first.length <= size,
              "an instruction is 1 to 15 bytes, within what was given");
    fuzzCheck(first.dispOffset + first.dispSize <= first.length, "the displacement lies inside");
    fuzzCheck(first.immOffset + first.immSize <= first.length, "the immediates lie inside");
    fuzzCheck(first.prefixCount < first.length, "prefixes leave room for an opcode");

    // Its own bytes alone decode the same, and one byte fewer is too few.
    DecodedInstruction alone;
    fuzzCheck(decodeExactly(data, first.length, alone) == DecodeStatus::Ok &&
                  alone.length == first.length && alone.displacement == first.displacement &&
                  alone.immediate == first.immediate,
              "what follows an instruction does not change it");
    DecodedInstruction shorter;
    fuzzCheck(decodeExactly(data, first.length - 1u, shorter) == DecodeStatus::Truncated,
              "an instruction cut short is truncated");
    return 0;
}
