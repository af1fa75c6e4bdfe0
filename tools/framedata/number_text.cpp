#include "number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>

namespace {

constexpr int digits = 7;
// The scaled value is below 1e7, where a double's spacing is 2^-29 (1.9e-9):
// a thousand times that is still far from any fraction that rounds plainly.
constexpr double nearTie = 1e-6;

// 10^0 to 10^22 are exact doubles, so scaling by one rounds only once.
constexpr double powersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int exactPowers = static_cast<int>(std::size(powersOfTen));
// 1e-15 to 1e15.
constexpr double searchPowers[] = {1e-15, 1e-14, 1e-13, 1e-12, 1e-11, 1e-10, 1e-9, 1e-8,
                                   1e-7,  1e-6,  1e-5,  1e-4,  1e-3,  1e-2,  1e-1, 1e0,
                                   1e1,   1e2,   1e3,   1e4,   1e5,   1e6,   1e7,  1e8,
                                   1e9,   1e10,  1e11,  1e12,  1e13,  1e14,  1e15};

void appendSlow(std::string& out, double value) {
    char text[32];
    out.append(
        text,
        std::to_chars(text, text + sizeof(text), value, std::chars_format::general, digits).ptr);
}

} // namespace

// A long recording writes millions of numbers, and the standard library's
// exact "%.7g" costs several times the rest of the conversion. Scaling the
// value so that its seven digits form an integer is exact but for the one
// rounding of the scaling, which only matters for a value within a
// billionth of a digit of a tie; those, exact ties and values outside the
// exact powers take the standard library's way, which is printf's.
void appendNumber(std::string& out, double value) {
    if (value == 0.0) {
        out.push_back('0');
        return;
    }
    const double magnitude = std::abs(value);
    if (!(magnitude >= 1e-15 && magnitude < 1e15)) {
        appendSlow(out, value);
        return;
    }
    // The decimal exponent by search rather than log10, which costs as much
    // as all the rest; a boundary that the inexact negative powers misplace
    // is put right below.
    int exponent = static_cast<int>(std::upper_bound(std::begin(searchPowers),
                                                     std::end(searchPowers), magnitude) -
                                    std::begin(searchPowers)) -
                   16;
    // The value with seven digits before the point, or -1 when it lies so
    // near a tie (a fraction of one half) that the one rounding of the
    // scaling may have decided which way it goes: printf rounds an exact tie
    // to even and a near one by its true side, which only the exact digits
    // tell.
    auto scaled = [&](int e) -> std::int64_t {
        const int shift = digits - 1 - e;
        const double product =
            shift >= 0 ? magnitude * powersOfTen[shift] : magnitude / powersOfTen[-shift];
        const double fraction = product - std::floor(product);
        if (std::abs(fraction - 0.5) < nearTie)
            return -1;
        return static_cast<std::int64_t>(std::llround(product));
    };
    if (digits - 1 - exponent >= exactPowers || exponent - digits + 1 >= exactPowers) {
        appendSlow(out, value);
        return;
    }
    std::int64_t mantissa = scaled(exponent);
    // The search may land one off near a power of ten, and rounding may carry.
    if (mantissa >= 10'000'000) {
        ++exponent;
        mantissa = scaled(exponent);
    } else if (mantissa >= 0 && mantissa < 1'000'000) {
        --exponent;
        mantissa = scaled(exponent);
    }
    if (mantissa >= 10'000'000 || mantissa < 1'000'000) {
        appendSlow(out, value);
        return;
    }

    char text[digits];
    for (int i = digits - 1; i >= 0; --i, mantissa /= 10)
        text[i] = static_cast<char>('0' + mantissa % 10);
    int used = digits;
    while (used > 1 && text[used - 1] == '0')
        --used;

    if (value < 0)
        out.push_back('-');
    if (exponent < -4 || exponent >= digits) {
        out.push_back(text[0]);
        if (used > 1) {
            out.push_back('.');
            out.append(text + 1, static_cast<std::size_t>(used - 1));
        }
        out.push_back('e');
        out.push_back(exponent < 0 ? '-' : '+');
        const int e = std::abs(exponent);
        if (e < 10)
            out.push_back('0');
        char exponentText[4];
        out.append(exponentText, std::to_chars(exponentText, exponentText + 4, e).ptr);
    } else if (exponent < 0) {
        out.append("0.");
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out.append(text, static_cast<std::size_t>(used));
    } else {
        const int whole = exponent + 1;
        out.append(text, static_cast<std::size_t>(std::min(whole, used)));
        if (used < whole)
            out.append(static_cast<std::size_t>(whole - used), '0');
        if (used > whole) {
            out.push_back('.');
            out.append(text + whole, static_cast<std::size_t>(used - whole));
        }
    }
}
