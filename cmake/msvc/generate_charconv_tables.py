#!/usr/bin/env python3
# Writes the floating-point conversion tables that Microsoft's STL declares
# `extern` in <charconv> (and the headers it includes) and expects from
# Microsoft's static runtime library, which this build does not have.
#
#   python3 generate_charconv_tables.py OUT.cpp
#
# Every entry is computed exactly with Python integers from the way the
# header code consumes it; the comments on each table give the derivation.
# The output also re-derives the tables the header carries inline and the
# index constants it defines, and checks them against the header with
# static_assert, so a header whose layout differs stops the build instead
# of converting numbers wrongly.

import sys
from fractions import Fraction

# ---------------------------------------------------------------------------
# Shortest round trip (d2s): multipliers for m * 2^e2 -> m' * 10^e10.
# ---------------------------------------------------------------------------

# The header's __DOUBLE_POW5_INV_BITCOUNT and __DOUBLE_POW5_BITCOUNT, and the
# float ones; __pow5bits(e) is the bit length of 5^e.
DOUBLE_POW5_INV_BITCOUNT = 122
DOUBLE_POW5_BITCOUNT = 121
FLOAT_POW5_INV_BITCOUNT = 59
FLOAT_POW5_BITCOUNT = 61

# Row counts of the header's declarations: d2d reads q up to 290 (for the
# largest e2 = 2046 - 1023 - 52 - 2 = 969, q = log10(2^969) - 1) and i up to
# 325 (for the smallest e2 = -1076, i = -e2 - (log10(5^1076) - 1)).
DOUBLE_POW5_INV_COUNT = 292
DOUBLE_POW5_COUNT = 326
FLOAT_POW5_INV_COUNT = 31
FLOAT_POW5_COUNT = 47


def pow5bits(e):
    return (5**e).bit_length()


def pow5_inv_split(q, bitcount):
    # Used as floor(m * entry / 2^(-e2 + q + bitcount + pow5bits(q) - 1)):
    # entry approximates 2^(pow5bits(q) - 1 + bitcount) / 5^q from above, so
    # that the product never falls below m * 2^e2 / 10^q.
    return (1 << (pow5bits(q) - 1 + bitcount)) // 5**q + 1


def pow5_split(i, bitcount):
    # Used as floor(m * entry / 2^(q - pow5bits(i) + bitcount)): entry is 5^i
    # scaled to exactly `bitcount` bits, the bits below cut off.
    shift = pow5bits(i) - bitcount
    return 5**i >> shift if shift >= 0 else 5**i << -shift


# ---------------------------------------------------------------------------
# Fixed and scientific with a precision (d2fixed / d2exp): each table entry
# turns m2 into one nine-digit block of m2 * 2^e2 by
#   block = floor(m2 * entry / 2^j) mod 10^9
# (the header passes m2 << 8 and j + 8, which is the same quotient).
# ---------------------------------------------------------------------------

POW10_ADDITIONAL_BITS = 120  # __POW10_ADDITIONAL_BITS and __ADDITIONAL_BITS_2
TABLE_SIZE = 64  # __TABLE_SIZE: integer-part indexes of 16 exponents (e2 <= 971 reads 61)
TABLE_SIZE_2 = 69  # __TABLE_SIZE_2: fraction indexes (-e2 <= 1074 reads 68), plus an end mark
BLOCK = 10**9
ENTRY_BITS = 192  # three uint64_t words, least significant first


def log10_floor(n):
    return len(str(n)) - 1


def ceil_div(a, b):
    return -(-a // b)


def reduce_for_shift(entry, max_j):
    # Only floor(m2 * entry / 2^j) mod 10^9 is read, for j <= max_j, so any
    # entry congruent modulo 10^9 * 2^max_j gives the same blocks; this keeps
    # the large powers within three words.
    entry %= BLOCK << max_j
    assert entry.bit_length() <= ENTRY_BITS
    return entry


def integer_part_table():
    # Index idx covers e2 in (16 * (idx - 1), 16 * idx] (and e2 in [-52, 0] for
    # idx 0); the header shifts by j = 16 * idx + 120 - e2, so block i (digits
    # 9i.. of the integer part) needs entry = 2^(16 * idx + 120) / 10^(9i),
    # rounded up so that exact multiples of 10^(9i) keep their digits.
    offsets, entries = [], []
    for idx in range(TABLE_SIZE):
        offsets.append(len(entries))
        # Nine-digit blocks for the digits of 2^(16 * idx) and 16 more for m2 < 2^53.
        length = (log10_floor(1 << (16 * idx)) + 1 + 16 + 8) // 9
        max_j = POW10_ADDITIONAL_BITS + (52 if idx == 0 else 15)
        shift = 16 * idx + POW10_ADDITIONAL_BITS
        for i in range(length):
            entry = ceil_div(1 << shift, 10 ** (9 * i))
            entries.append(reduce_for_shift(entry, max_j))
    return offsets, entries


def fraction_part_table():
    # Index idx covers -e2 in [16 * idx, 16 * idx + 15]; the header shifts by
    # j = 120 + (-e2 - 16 * idx), so block i after the point (digits
    # 9i + 1 .. 9i + 9) needs entry = 10^(9(i + 1)) * 2^(120 - 16 * idx),
    # rounded up when it is not a whole number. Blocks before min_block are
    # zero for every m2 < 2^53 in the range (the bound below keeps a bit to
    # spare, as the header's __MIN_BLOCK_2 does); blocks past block
    # (16 * idx + 15) / 9 are zero because m2 * 2^e2 has no more than -e2
    # digits after the point.
    offsets, min_blocks, entries = [], [], []
    for idx in range(TABLE_SIZE_2 - 1):
        offsets.append(len(entries))
        zero_bits = 16 * idx - 54
        min_block = 0
        while zero_bits >= 0 and 10 ** (9 * (min_block + 1)) <= 1 << zero_bits:
            min_block += 1
        min_blocks.append(min_block)
        last_block = (16 * idx + 15) // 9 + 1
        max_j = POW10_ADDITIONAL_BITS + 15
        for i in range(min_block, last_block):
            numerator = 10 ** (9 * (i + 1))
            scale = POW10_ADDITIONAL_BITS - 16 * idx
            if scale >= 0:
                entry = numerator << scale
            else:
                entry = ceil_div(numerator, 1 << -scale)
            entries.append(reduce_for_shift(entry, max_j))
    offsets.append(len(entries))
    min_blocks.append(0)  # the header's end mark
    return offsets, min_blocks, entries


# ---------------------------------------------------------------------------
# chars_format::general with a precision: the tables that give the exponent X
# that style e would print with P significant digits, without formatting.
# ---------------------------------------------------------------------------


class BinaryFormat:
    def __init__(self, name, mantissa_bits, min_exponent, max_exponent, max_special_p, max_x):
        self.name = name
        self.mantissa_bits = mantissa_bits  # stored bits, without the hidden one
        self.min_exponent = min_exponent  # of the smallest normal number
        self.max_exponent = max_exponent
        self.max_special_p = max_special_p  # the header's _Max_special_P
        self.max_x = max_x  # the exponent X of the largest finite value

    def bits_of_largest_not_above(self, t):
        """Bit pattern of the largest finite value <= t (t > 0), and whether
        it equals t."""
        exponent = t.numerator.bit_length() - t.denominator.bit_length()
        if Fraction(2)**exponent > t:
            exponent -= 1
        if exponent > self.max_exponent:
            return self.bits_of_max(), False
        exponent = max(exponent, self.min_exponent)
        quantum = Fraction(2)**(exponent - self.mantissa_bits)
        steps = t // quantum  # significand, hidden bit included
        if steps == 0:
            raise ValueError("below the smallest subnormal")
        exact = steps * quantum == t
        if steps >> self.mantissa_bits:  # normal
            biased = exponent - self.min_exponent + 1
            bits = (biased << self.mantissa_bits) | (steps - (1 << self.mantissa_bits))
        else:
            bits = steps
        return bits, exact

    def bits_of_largest_below(self, t):
        bits, exact = self.bits_of_largest_not_above(t)
        return bits - 1 if exact else bits

    def bits_of_max(self):
        exponent_field = self.max_exponent - self.min_exponent + 1
        return (exponent_field << self.mantissa_bits) | ((1 << self.mantissa_bits) - 1)


FLOAT = BinaryFormat("float", 23, -126, 127, 7, 38)
DOUBLE = BinaryFormat("double", 52, -1022, 1023, 15, 308)


def rounds_below_next_power(p, x):
    # Values print with exponent X at P digits exactly while they stay below
    # the midpoint of 9.99...9eX (P nines) and 1e(X + 1); the midpoint itself
    # goes up, because ties round to the even digit and 0 is even.
    return Fraction(10) ** (x + 1) - Fraction(5) * Fraction(10) ** (x - p)


def special_x_table(fmt):
    # One row per P in [1, _Max_special_P], for X in [-5, P - 1], concatenated:
    # the largest value that prints with exponent <= X at P digits (X = -5
    # gathers everything smaller). Rounding at these P can carry into the
    # next power of ten, which is why each P has rows of its own.
    table = []
    for p in range(1, fmt.max_special_p + 1):
        for x in range(-5, p):
            table.append(fmt.bits_of_largest_below(rounds_below_next_power(p, x)))
    return table


def ordinary_x_table(fmt):
    # Larger P read only the rows X in [-5, P - 1] (from X = P on, style e is
    # chosen anyway), and there rounding never carries into the next power
    # of ten, so the rows are just the largest value below 10^(X + 1),
    # X in [-5, max_x] (the last row is the largest finite value).
    table = []
    for x in range(-5, fmt.max_x + 1):
        plain = fmt.bits_of_largest_below(Fraction(10) ** (x + 1))
        # A carry is likeliest at the smallest P that reads this row.
        p = max(fmt.max_special_p + 1, x + 1)
        carried = fmt.bits_of_largest_below(rounds_below_next_power(p, x))
        assert carried == plain, f"{fmt.name}: P = {p} carries at X = {x}"
        table.append(plain)
    return table


# ---------------------------------------------------------------------------
# from_chars: 10^10, 10^20, ..., 10^380 as 32-bit little-endian words, with
# the zero low words left out (10^n ends in n zero bits); the header's index
# holds for each power the offset, the number of omitted words and the number
# of stored ones.
# ---------------------------------------------------------------------------


def large_power_data():
    words = []
    for k in range(1, 39):
        power = 10 ** (10 * k)
        skipped = (10 * k) // 32
        power >>= 32 * skipped
        while power:
            words.append(power & 0xFFFFFFFF)
            power >>= 32
    return words


# ---------------------------------------------------------------------------
# Output
# ---------------------------------------------------------------------------


def hex64(v):
    return f"0x{v:016x}u"


def hex32(v):
    return f"0x{v:08x}u"


def split_words(v, count):
    return [(v >> (64 * w)) & 0xFFFFFFFFFFFFFFFF for w in range(count)]


def rows(items, per_line, indent="    "):
    lines = []
    for start in range(0, len(items), per_line):
        lines.append(indent + ", ".join(items[start:start + per_line]) + ",")
    return "\n".join(lines)


def word_rows(entries, count):
    return "\n".join("    {" + ", ".join(hex64(w) for w in split_words(e, count)) + "},"
                     for e in entries)


def decimal_list(values):
    return ", ".join(str(v) for v in values)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: generate_charconv_tables.py OUT.cpp")

    pow5_inv = [pow5_inv_split(q, DOUBLE_POW5_INV_BITCOUNT) for q in range(DOUBLE_POW5_INV_COUNT)]
    pow5 = [pow5_split(i, DOUBLE_POW5_BITCOUNT) for i in range(DOUBLE_POW5_COUNT)]
    float_pow5_inv = [pow5_inv_split(q, FLOAT_POW5_INV_BITCOUNT)
                      for q in range(FLOAT_POW5_INV_COUNT)]
    float_pow5 = [pow5_split(i, FLOAT_POW5_BITCOUNT) for i in range(FLOAT_POW5_COUNT)]
    assert all(v < 1 << 128 for v in pow5_inv + pow5)

    offsets, integer_entries = integer_part_table()
    offsets_2, min_blocks_2, fraction_entries = fraction_part_table()
    large_powers = large_power_data()
    float_special, float_ordinary = special_x_table(FLOAT), ordinary_x_table(FLOAT)
    double_special, double_ordinary = special_x_table(DOUBLE), ordinary_x_table(DOUBLE)

    out = f"""// Generated by cmake/msvc/generate_charconv_tables.py; do not edit.
// The floating-point conversion tables that <charconv> declares and leaves to
// the static runtime library.
#include <charconv>
#include <cstddef>
#include <cstdint>

namespace {{

// The derivation, run at float's widths, must give the float tables that the
// header carries inline, and the block layout must match the header's index.
constexpr std::uint64_t derivedFloatPow5InvSplit[] = {{
{rows([str(v) + "u" for v in float_pow5_inv], 4)}
}};
constexpr std::uint64_t derivedFloatPow5Split[] = {{
{rows([str(v) + "u" for v in float_pow5], 4)}
}};
constexpr std::uint16_t derivedPow10Offset[] = {{{decimal_list(offsets)}}};
constexpr std::uint16_t derivedPow10Offset2[] = {{{decimal_list(offsets_2)}}};
constexpr std::uint8_t derivedMinBlock2[] = {{{decimal_list(min_blocks_2)}}};

template <class T, std::size_t N>
constexpr bool sameEntries(const T (&derived)[N], const T (&header)[N]) {{
    for (std::size_t i = 0; i < N; ++i) {{
        if (derived[i] != header[i]) {{
            return false;
        }}
    }}
    return true;
}}

static_assert(std::__FLOAT_POW5_INV_BITCOUNT == {FLOAT_POW5_INV_BITCOUNT});
static_assert(std::__FLOAT_POW5_BITCOUNT == {FLOAT_POW5_BITCOUNT});
static_assert(std::__DOUBLE_POW5_INV_BITCOUNT == {DOUBLE_POW5_INV_BITCOUNT});
static_assert(std::__DOUBLE_POW5_BITCOUNT == {DOUBLE_POW5_BITCOUNT});
static_assert(std::__POW10_ADDITIONAL_BITS == {POW10_ADDITIONAL_BITS});
static_assert(std::__ADDITIONAL_BITS_2 == {POW10_ADDITIONAL_BITS});
static_assert(sameEntries(derivedFloatPow5InvSplit, std::__FLOAT_POW5_INV_SPLIT));
static_assert(sameEntries(derivedFloatPow5Split, std::__FLOAT_POW5_SPLIT));
static_assert(sameEntries(derivedPow10Offset, std::__POW10_OFFSET));
static_assert(sameEntries(derivedPow10Offset2, std::__POW10_OFFSET_2));
static_assert(sameEntries(derivedMinBlock2, std::__MIN_BLOCK_2));
static_assert(std::_General_precision_tables_2<float>::_Max_special_P == {FLOAT.max_special_p});
static_assert(std::_General_precision_tables_2<double>::_Max_special_P == {DOUBLE.max_special_p});

}} // namespace

namespace std {{

// ceil(2^(pow5bits(q) - 1 + {DOUBLE_POW5_INV_BITCOUNT}) / 5^q), plus one where that is exact;
// {{low word, high word}}.
const uint64_t __DOUBLE_POW5_INV_SPLIT[{len(pow5_inv)}][2] = {{
{word_rows(pow5_inv, 2)}
}};

// 5^i cut to its top {DOUBLE_POW5_BITCOUNT} bits; {{low word, high word}}.
const uint64_t __DOUBLE_POW5_SPLIT[{len(pow5)}][2] = {{
{word_rows(pow5, 2)}
}};

// ceil(2^(16 idx + {POW10_ADDITIONAL_BITS}) / 10^(9 i)) modulo 10^9 * 2^135 (2^172 for idx 0), for
// block i of index idx at __POW10_OFFSET[idx] + i; least significant word first.
const uint64_t __POW10_SPLIT[{len(integer_entries)}][3] = {{
{word_rows(integer_entries, 3)}
}};

// ceil(10^(9 (i + 1)) * 2^({POW10_ADDITIONAL_BITS} - 16 idx)) modulo 10^9 * 2^135, for block i
// after the point of index idx at __POW10_OFFSET_2[idx] + i - __MIN_BLOCK_2[idx];
// least significant word first.
const uint64_t __POW10_SPLIT_2[{len(fraction_entries)}][3] = {{
{word_rows(fraction_entries, 3)}
}};

// 10^10 .. 10^380 in steps of 10^10, 32-bit words from the least
// significant, each power without its zero low words.
const uint32_t _Large_power_data[{len(large_powers)}] = {{
{rows([hex32(w) for w in large_powers], 6)}
}};

// Bit patterns: per P in [1, 7], the largest float that prints with exponent
// <= X at P digits, X in [-5, P - 1].
const uint32_t _General_precision_tables_2<float>::_Special_X_table[{len(float_special)}] = {{
{rows([hex32(v) for v in float_special], 6)}
}};

// Bit patterns: the largest float below 10^(X + 1), X in [-5, 38].
const uint32_t _General_precision_tables_2<float>::_Ordinary_X_table[{len(float_ordinary)}] = {{
{rows([hex32(v) for v in float_ordinary], 6)}
}};

// Bit patterns: per P in [1, 15], the largest double that prints with
// exponent <= X at P digits, X in [-5, P - 1].
const uint64_t _General_precision_tables_2<double>::_Special_X_table[{len(double_special)}] = {{
{rows([hex64(v) for v in double_special], 4)}
}};

// Bit patterns: the largest double below 10^(X + 1), X in [-5, 308].
const uint64_t _General_precision_tables_2<double>::_Ordinary_X_table[{len(double_ordinary)}] = {{
{rows([hex64(v) for v in double_ordinary], 4)}
}};

}} // namespace std
"""
    with open(sys.argv[1], "w", encoding="ascii", newline="\n") as f:
        f.write(out)


if __name__ == "__main__":
    main()
