#!/usr/bin/env python3
# Writes the expected results for charconv_test.cpp: std::to_chars and
# std::from_chars cases for double and float, computed with Python's exact
# float formatting and exact fractions, and cross-checked against glibc's
# printf and strtod/strtof.
#
#   python3 generate_charconv_cases.py OUT.inc
#
# The values are pseudo-random with a fixed seed, plus one value for every
# binary exponent (so that the conversions read every row of the
# shortest-digits tables and every block index of the fixed-digit tables),
# values on both sides of each exponent switch of the general style, and
# hand-picked edge cases.

import ctypes
import functools
import math
import random
import struct
import sys
from decimal import Decimal
from fractions import Fraction

SEED = 20240611


# ---------------------------------------------------------------------------
# Bit patterns
# ---------------------------------------------------------------------------


def double_bits(x):
    return struct.unpack("<Q", struct.pack("<d", x))[0]


def double_of(bits):
    return struct.unpack("<d", struct.pack("<Q", bits))[0]


def float_bits(x):
    return struct.unpack("<I", struct.pack("<f", x))[0]


def float_of(bits):
    return struct.unpack("<f", struct.pack("<I", bits))[0]


class Format:
    def __init__(self, name, mantissa_bits, exponent_bits, max_digits):
        self.name = name
        self.mantissa_bits = mantissa_bits
        self.exponent_bits = exponent_bits
        self.max_digits = max_digits  # enough significant digits to round-trip
        self.bias = (1 << (exponent_bits - 1)) - 1
        self.inf_bits = ((1 << exponent_bits) - 1) << mantissa_bits

    def to_fraction(self, bits):
        exponent_field = bits >> self.mantissa_bits
        mantissa = bits & ((1 << self.mantissa_bits) - 1)
        if exponent_field == 0:
            return Fraction(mantissa) * Fraction(2) ** (1 - self.bias - self.mantissa_bits)
        significand = mantissa | (1 << self.mantissa_bits)
        exponent = exponent_field - self.bias - self.mantissa_bits
        return Fraction(significand) * Fraction(2) ** exponent

    def round_to_bits(self, value):
        """Nearest value of this format to the positive fraction `value`,
        ties to even, overflow to infinity."""
        n, d = value.numerator, value.denominator
        exponent = n.bit_length() - d.bit_length()
        if (n << max(0, -exponent)) < (d << max(0, exponent)):
            exponent -= 1
        exponent = max(exponent, 1 - self.bias)
        # steps = value / 2^(exponent - mantissa_bits), rounded.
        shift = self.mantissa_bits - exponent
        steps, rest = divmod(n << max(0, shift), d << max(0, -shift))
        twice, divisor = 2 * rest, d << max(0, -shift)
        if twice > divisor or (twice == divisor and steps % 2 == 1):
            steps += 1
        if steps >> self.mantissa_bits == 0:
            return steps  # subnormal (or zero)
        if steps >> (self.mantissa_bits + 1):  # carried into the next binade
            steps >>= 1
            exponent += 1
        exponent_field = exponent + self.bias
        if exponent_field >= (1 << self.exponent_bits) - 1:
            return self.inf_bits
        return (exponent_field << self.mantissa_bits) | (steps - (1 << self.mantissa_bits))


DOUBLE = Format("double", 52, 11, 17)
FLOAT = Format("float", 23, 8, 9)


def float_value(bits):
    return float(float_of(bits))


def float_read(text):
    negative = text.startswith("-")
    bits = FLOAT.round_to_bits(abs(Fraction(Decimal(text))))
    return bits | (1 << 31) if negative else bits


# ---------------------------------------------------------------------------
# Expected text
# ---------------------------------------------------------------------------


def floor_log10(value):
    guess = len(str(value.numerator)) - len(str(value.denominator))
    while Fraction(10) ** guess > value:
        guess -= 1
    while Fraction(10) ** (guess + 1) <= value:
        guess += 1
    return guess


@functools.lru_cache(maxsize=None)
def shortest_digits(fmt, bits):
    """Fewest significant digits that read back as `bits`, the closest to the
    value when several qualify (ties to the even digit): (digits, exponent)
    with value ~ int(digits) * 10^exponent."""
    value = fmt.to_fraction(bits)
    top = floor_log10(value)
    for count in range(1, fmt.max_digits + 1):
        exponent = top - count + 1
        unit = Fraction(10) ** exponent
        low = value // unit
        candidates = [low] if low * unit == value else [low, low + 1]
        fitting = [c for c in candidates if fmt.round_to_bits(c * unit) == bits]
        if fitting:
            best = min(fitting, key=lambda c: (abs(c * unit - value), c % 2))
            digits = str(best)
            stripped = digits.rstrip("0")
            return stripped, exponent + len(digits) - len(stripped)
    raise AssertionError(f"no round trip for {bits:#x}")


def repr_digits(x):
    _, digits, exponent = Decimal(repr(x)).as_tuple()
    text = "".join(map(str, digits)).lstrip("0") or "0"
    stripped = text.rstrip("0") or "0"
    return stripped, exponent + len(text) - len(stripped)


def exponent_text(x):
    return ("e-" if x < 0 else "e+") + f"{abs(x):02d}"


def shortest_scientific(digits, exponent):
    x = exponent + len(digits) - 1
    mantissa = digits[0] + ("." + digits[1:] if len(digits) > 1 else "")
    return mantissa + exponent_text(x)


def shortest_fixed(digits, exponent, value):
    if exponent >= 0:
        # Whole numbers print all their digits: the exact value is the
        # shortest text in style f that reads back (1e23 is 23 digits long).
        return format(value, ".0f")
    if len(digits) > -exponent:
        point = len(digits) + exponent
        return digits[:point] + "." + digits[point:]
    return "0." + "0" * (-exponent - len(digits)) + digits


def shortest_texts(digits, exponent, value):
    """Style e, style f, the shorter of the two (f on a tie) and style g,
    which uses f for exponents X in [-4, 6) as printf's %g does with its
    default precision."""
    if digits == "0":
        return {"e": "0e+00", "f": "0", "p": "0", "g": "0"}
    scientific = shortest_scientific(digits, exponent)
    fixed = shortest_fixed(digits, exponent, value)
    x = exponent + len(digits) - 1
    return {
        "e": scientific,
        "f": fixed,
        "p": fixed if len(fixed) <= len(scientific) else scientific,
        "g": fixed if -4 <= x < 6 else scientific,
    }


def general_text(value, precision):
    # printf's %.Pg: P = 1 for precision 0; the exponent X is that of style e
    # at P digits; style f with P - 1 - X digits when P > X >= -4, else style
    # e with P - 1; then trailing zeros and a bare point are dropped.
    p = max(precision, 1)
    scientific = format(value, f".{p - 1}e")
    if not math.isfinite(value):
        return scientific
    x = int(scientific[scientific.index("e") + 1:])
    text = format(value, f".{p - 1 - x}f") if p > x >= -4 else scientific
    mantissa, e, tail = text.partition("e")
    if "." in mantissa:
        mantissa = mantissa.rstrip("0").rstrip(".")
    return mantissa + e + tail


def precision_text(value, style, precision):
    if style == "e":
        return format(value, f".{precision}e")
    if style == "f":
        return format(value, f".{precision}f")
    return general_text(value, precision)


class Glibc:
    """printf and strtod/strtof of the build machine, as a second opinion."""

    def __init__(self):
        self.libc = ctypes.CDLL("libc.so.6")
        self.libc.snprintf.restype = ctypes.c_int
        self.libc.strtod.restype = ctypes.c_double
        self.libc.strtod.argtypes = [ctypes.c_char_p, ctypes.c_void_p]
        self.libc.strtof.restype = ctypes.c_float
        self.libc.strtof.argtypes = [ctypes.c_char_p, ctypes.c_void_p]

    def printf(self, style, precision, value):
        pattern = b"%.*" + style.encode()
        size = self.libc.snprintf(None, 0, pattern, ctypes.c_int(precision), ctypes.c_double(value))
        buffer = ctypes.create_string_buffer(size + 1)
        self.libc.snprintf(buffer, size + 1, pattern, ctypes.c_int(precision), ctypes.c_double(value))
        return buffer.value.decode()

    def strtod(self, text):
        return double_bits(self.libc.strtod(text.encode(), None))

    def strtof(self, text):
        return float_bits(self.libc.strtof(text.encode(), None))


# ---------------------------------------------------------------------------
# Values
# ---------------------------------------------------------------------------


def neighbours(fmt, bits, reach=1):
    top = fmt.inf_bits
    return [b for b in range(bits - reach, bits + reach + 1) if 0 < b < top]


def nearest_bits(fmt, value):
    return fmt.round_to_bits(Fraction(value))


def exponent_sweep(fmt, rng):
    # One value per biased exponent, including the subnormals (exponent 0).
    top = (1 << fmt.exponent_bits) - 1
    values = []
    for exponent_field in range(top):
        mantissa = rng.getrandbits(fmt.mantissa_bits)
        if exponent_field == 0 and mantissa == 0:
            mantissa = 1
        values.append((exponent_field << fmt.mantissa_bits) | mantissa)
    return values


def random_bits(fmt, rng, count):
    values = []
    while len(values) < count:
        bits = rng.getrandbits(fmt.mantissa_bits + fmt.exponent_bits)
        if 0 < bits < fmt.inf_bits:
            values.append(bits)
    return values


def short_decimals(fmt, rng, count, max_exponent):
    # Values nearest to short decimals: exact ties, trailing zeros and short
    # shortest forms are common among them.
    values = []
    while len(values) < count:
        digits = rng.randint(1, 10 ** rng.randint(1, 7))
        exponent = rng.randint(-max_exponent, max_exponent)
        bits = nearest_bits(fmt, Fraction(digits) * Fraction(10) ** exponent)
        if 0 < bits < fmt.inf_bits:
            values.append(bits)
    return values


def general_switch_values(fmt, max_special_p, max_x):
    # Around the point where P digits carry into the next power of ten, for
    # every P and exponent X where style g can change style or exponent:
    # (10^P - 1/2) * 10^(X + 1 - P), and for larger P around 10^(X + 1).
    cases = []
    for p in range(1, max_special_p + 3):
        for x in range(-6, p + 1):
            edge = (Fraction(10) ** p - Fraction(1, 2)) * Fraction(10) ** (x + 1 - p)
            for bits in neighbours(fmt, nearest_bits(fmt, edge), 2):
                cases.append((bits, p))
    for x in range(-6, max_x + 1):
        edge = Fraction(10) ** (x + 1)
        for bits in neighbours(fmt, nearest_bits(fmt, edge)):
            for p in (max(max_special_p + 1, x + 1), max(max_special_p + 1, x + 2), 400):
                cases.append((bits, p))
    return cases


EDGE_DOUBLES = [
    "0.5", "1.5", "2.5", "2.0078125", "9.9999995", "9.5", "0.95", "0.1", "0.3", "1",
    "1e-5", "9.9999999999999e-6", "0.0001", "9.99995e-5", "999999.5", "999999.4999",
    "123456", "1234567", "1e15", "1e16", "1e21", "1e22", "1e23", "123456789012345680000",
    "9007199254740993", "18446744073709551616", "4.9406564584124654e-324",
    "2.2250738585072009e-308", "2.2250738585072014e-308", "1.7976931348623157e308",
    "9.4999999999999982236431605997495353221893310546875",
]
EDGE_FLOATS = [
    "0.5", "1.5", "2.5", "2.0078125", "9.9999995", "9.5", "0.1", "0.3", "1", "1e-5",
    "0.0001", "9.99995e-5", "999999.5", "16777216", "16777217", "1e10", "1e38",
    "1.401298464e-45", "1.1754942e-38", "1.17549435e-38", "3.40282347e38",
]
DENSE_PRECISIONS = list(range(0, 21)) + [25, 30, 50, 100]


def to_chars_cases(fmt, rng, exact_value, edges, max_exponent, max_special_p, max_x):
    """(bits, style, precision, expected); precision -1 means shortest."""
    sweep = exponent_sweep(fmt, rng)
    pool = sweep + random_bits(fmt, rng, 600) + short_decimals(fmt, rng, 400, max_exponent)
    edge_bits = []
    for text in edges:
        bits = nearest_bits(fmt, Fraction(Decimal(text)))
        edge_bits += neighbours(fmt, bits)

    cases = []

    def add(bits, style, precision, negative=False):
        value = exact_value(bits)
        if negative:
            value = -value
        sign = "-" if negative else ""
        if precision < 0 and bits == fmt.inf_bits:
            expected = sign + "inf"
        elif precision < 0 and bits == 0:
            expected = sign + shortest_texts("0", 0, 0.0)[style]
        elif precision < 0:
            if fmt is DOUBLE:
                digits, exponent = repr_digits(value)
            else:
                digits, exponent = shortest_digits(fmt, bits)
            expected = sign + shortest_texts(digits, exponent, abs(value))[style]
        else:
            expected = precision_text(value, style, precision)
        cases.append((bits | (1 << (fmt.mantissa_bits + fmt.exponent_bits)) * negative,
                      style, precision, expected))

    e_precisions = [0, 1, 2, 3, 5, 6, 8, 10, 14, 15, 16, 17, 18, 20, 25, 40, 100, 200, 767]
    g_precisions = [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 14, 15, 16, 17, 18, 20, 25, 50, 100, 800]
    for index, bits in enumerate(pool):
        in_sweep = index < len(sweep)
        negative = rng.random() < 0.25
        for style in "pefg":
            add(bits, style, -1, negative)
        for p in rng.sample(e_precisions, 2 if in_sweep else 1):
            add(bits, "e", p, negative)
        for p in rng.sample(g_precisions, 2 if in_sweep else 1):
            add(bits, "g", p, negative)
        # Style f: a fixed precision, one that reaches the first significant
        # digits, and (once per exponent) one near the full length of the
        # exact binary fraction, which reads the last digit blocks.
        value = exact_value(bits)
        x = math.floor(math.log10(value))
        add(bits, "f", rng.choice([0, 1, 2, 3, 6, 10, 17, 25]), negative)
        add(bits, "f", max(0, -x) + rng.randint(0, 25), negative)
        if in_sweep:
            fraction_digits = Fraction(value).denominator.bit_length() - 1
            add(bits, "f", max(0, fraction_digits + rng.randint(-3, 2)), negative)
    for bits in edge_bits:
        for style in "pefg":
            add(bits, style, -1)
        for style in "efg":
            for p in DENSE_PRECISIONS:
                add(bits, style, p)
    for bits, p in general_switch_values(fmt, max_special_p, max_x):
        add(bits, "g", p)
    # Zero and infinity.
    for negative in (False, True):
        for bits in (0, fmt.inf_bits):
            for style in "pefg":
                add(bits, style, -1, negative)
            for style in "efg":
                for p in (0, 1, 6, 17):
                    add(bits, style, p, negative)
    return pool, cases


def from_chars_cases(fmt, rng, pool, exact_value, read_back, count):
    """(text, bits): decimal texts near the values of `pool`, with more digits
    than the format holds, and the exact halfway points between neighbours."""
    cases = []

    def add(text):
        bits = read_back(text)
        magnitude = bits & ~(1 << (fmt.mantissa_bits + fmt.exponent_bits))
        if 0 < magnitude < fmt.inf_bits:  # out-of-range texts are not this test's business
            cases.append((text, bits))

    for bits in rng.sample(pool, count):
        value = exact_value(bits)
        sign = "-" if rng.random() < 0.25 else ""
        add(sign + format(value, f".{rng.randint(0, 30)}e"))
        digits = "".join(rng.choice("0123456789") for _ in range(rng.randint(2, 40)))
        add(sign + digits[0] + "." + digits[1:] + "e" + str(math.floor(math.log10(value))))
        if 1e-30 < value < 1e30:
            add(sign + format(value, f".{rng.randint(0, 40)}f"))
    # Halfway between two neighbours, written out exactly: round to even; a
    # trailing 1 far beyond it tips the balance.
    for bits in rng.sample(pool, count // 4):
        if bits + 1 >= fmt.inf_bits:
            continue
        middle = (fmt.to_fraction(bits) + fmt.to_fraction(bits + 1)) / 2
        exact = exact_decimal(middle)
        add(exact)
        add(exact + "000000000000000000001")
    return cases


def exact_decimal(value):
    # value has a power of two as denominator, so it has a finite expansion.
    digits = value.denominator.bit_length() - 1
    scaled = value * 10**digits
    assert scaled.denominator == 1
    text = str(scaled.numerator).rjust(digits + 1, "0")
    return text[:-digits] + "." + text[-digits:] if digits else text


# ---------------------------------------------------------------------------
# Output
# ---------------------------------------------------------------------------


def c_string(text):
    return '"' + text + '"'


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: generate_charconv_cases.py OUT.inc")
    rng = random.Random(SEED)
    glibc = Glibc()

    double_pool, double_cases = to_chars_cases(DOUBLE, rng, double_of, EDGE_DOUBLES, 300, 15, 308)
    float_pool, float_cases = to_chars_cases(FLOAT, rng, float_value, EDGE_FLOATS, 37, 7, 38)

    # A second opinion on every expected text with a precision (glibc's
    # printf), and on the exact shortest-digits search that float relies on
    # (Python's repr, for doubles).
    for cases, value_of in ((double_cases, double_of), (float_cases, float_value)):
        for bits, style, precision, expected in cases:
            # The test converts into a buffer of 4096 characters.
            assert len(expected) < 4000
            if precision >= 0:
                printed = glibc.printf(style, precision, value_of(bits))
                assert printed == expected, (hex(bits), style, precision)
    for bits in double_pool[:400]:
        assert shortest_digits(DOUBLE, bits) == repr_digits(double_of(bits)), hex(bits)

    double_reads = from_chars_cases(DOUBLE, rng, double_pool, double_of,
                                    lambda text: double_bits(float(text)), 700)
    float_reads = from_chars_cases(FLOAT, rng, float_pool, float_value, float_read, 400)
    for text, bits in double_reads:
        assert glibc.strtod(text) == bits, text
    for text, bits in float_reads:
        assert glibc.strtof(text) == bits, text

    lines = ["// Generated by tests/runtime/generate_charconv_cases.py; do not edit."]
    for name, cases in (("doubleToChars", double_cases), ("floatToChars", float_cases)):
        lines.append(f"const ToCharsCase {name}[] = {{")
        for bits, style, precision, expected in cases:
            lines.append(f"    {{0x{bits:x}u, '{style}', {precision}, {c_string(expected)}}},")
        lines.append("};")
    for name, reads in (("doubleFromChars", double_reads), ("floatFromChars", float_reads)):
        lines.append(f"const FromCharsCase {name}[] = {{")
        for text, bits in reads:
            lines.append(f"    {{{c_string(text)}, 0x{bits:x}u}},")
        lines.append("};")
    with open(sys.argv[1], "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
