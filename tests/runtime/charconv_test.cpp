// std::to_chars and std::from_chars for double and float against texts that
// an independent exact formatter wrote at build time (Python's float
// formatting and fractions, checked there against glibc's printf, strtod and
// strtof). The STL computes these conversions from the tables the runtime
// layer supplies, so a wrong table entry shows up here as a wrong digit, a
// wrong exponent or the wrong choice between styles e and f.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

// style: 'p' for the overload without a format, else the format's printf
// letter; precision -1 for the shortest round trip.
struct ToCharsCase {
    std::uint64_t bits;
    char style;
    int precision;
    const char* expected;
};

struct FromCharsCase {
    const char* text;
    std::uint64_t bits;
};

#include "charconv_cases.inc"

template <class Floating> Floating fromBits(std::uint64_t bits) {
    if constexpr (sizeof(Floating) == 4) {
        return std::bit_cast<Floating>(static_cast<std::uint32_t>(bits));
    } else {
        return std::bit_cast<Floating>(bits);
    }
}

template <class Floating> std::uint64_t toBits(Floating value) {
    if constexpr (sizeof(Floating) == 4) {
        return std::bit_cast<std::uint32_t>(value);
    } else {
        return std::bit_cast<std::uint64_t>(value);
    }
}

template <class Floating>
std::to_chars_result convert(char* first, char* last, Floating value, const ToCharsCase& c) {
    if (c.style == 'p') {
        return std::to_chars(first, last, value);
    }
    const std::chars_format format = c.style == 'e'   ? std::chars_format::scientific
                                     : c.style == 'f' ? std::chars_format::fixed
                                                      : std::chars_format::general;
    if (c.precision < 0) {
        return std::to_chars(first, last, value, format);
    }
    return std::to_chars(first, last, value, format, c.precision);
}

std::string describe(const ToCharsCase& c) {
    std::ostringstream text;
    text << "bits 0x" << std::hex << c.bits << std::dec << " style " << c.style;
    if (c.precision >= 0) {
        text << " precision " << c.precision;
    }
    return text.str();
}

// Mismatches beyond the first few only add to the count, so that one wrong
// table entry does not bury the report.
class MismatchLog {
public:
    void add(const std::string& line) {
        if (++count_ <= 12) {
            lines_ += line + "\n";
        }
    }
    int count() const { return count_; }
    const std::string& lines() const { return lines_; }

private:
    int count_ = 0;
    std::string lines_;
};

// Converts every case whose style is in `styles` and whose precision is
// (shortest) or is not (with a precision) -1: into a roomy buffer, into one
// of exactly the expected length, and into one a character shorter, which
// must be refused. Returns the number of cases checked.
template <class Floating>
int checkToChars(std::span<const ToCharsCase> cases, std::string_view styles, bool shortest,
                 MismatchLog& log) {
    std::vector<char> buffer(4096);
    int checked = 0;
    for (const ToCharsCase& c : cases) {
        if (styles.find(c.style) == std::string_view::npos || (c.precision < 0) != shortest) {
            continue;
        }
        ++checked;
        const Floating value = fromBits<Floating>(c.bits);
        const std::string_view expected = c.expected;

        const auto roomy = convert(buffer.data(), buffer.data() + buffer.size(), value, c);
        const std::string_view got(buffer.data(), roomy.ptr - buffer.data());
        if (roomy.ec != std::errc{} || got != expected) {
            log.add(describe(c) + ": expected " + std::string(expected) + ", got " +
                    std::string(got));
            continue;
        }

        std::vector<char> exact(expected.size());
        const auto fitted = convert(exact.data(), exact.data() + exact.size(), value, c);
        if (fitted.ec != std::errc{} || fitted.ptr != exact.data() + exact.size() ||
            std::string_view(exact.data(), exact.size()) != expected) {
            log.add(describe(c) + ": wrong result in a buffer of exactly its length");
            continue;
        }
        const auto shortBuffer = convert(exact.data(), exact.data() + exact.size() - 1, value, c);
        if (shortBuffer.ec != std::errc::value_too_large ||
            shortBuffer.ptr != exact.data() + exact.size() - 1) {
            log.add(describe(c) + ": a buffer one character short was not refused");
        }
    }
    return checked;
}

template <class Floating>
int checkFromChars(std::span<const FromCharsCase> cases, MismatchLog& log) {
    for (const FromCharsCase& c : cases) {
        const char* const end = c.text + std::strlen(c.text);
        Floating value{};
        const auto result = std::from_chars(c.text, end, value);
        if (result.ec != std::errc{} || result.ptr != end || toBits(value) != c.bits) {
            std::ostringstream line;
            line << c.text << ": expected bits 0x" << std::hex << c.bits << ", got 0x"
                 << toBits(value);
            log.add(line.str());
        }
    }
    return static_cast<int>(cases.size());
}

// Every group has hundreds of cases or more; far fewer means the generated
// data went missing, which must not pass as a clean run.
constexpr int minimumCases = 300;

// A group of cases: to_chars in the styles given, shortest or with a
// precision, or (no styles) from_chars.
struct Group {
    const char* name;
    bool single;
    std::string_view styles;
    bool shortest;
};

const Group groups[] = {
    {"DoubleShortestRoundTripInEveryStyle", false, "pefg", true},
    {"DoubleScientificWithPrecision", false, "e", false},
    {"DoubleFixedWithPrecision", false, "f", false},
    {"DoubleGeneralWithPrecisionSwitchesStyleWherePrintfDoes", false, "g", false},
    {"DoubleFromCharsRoundsToNearest", false, "", false},
    {"FloatShortestRoundTripInEveryStyle", true, "pefg", true},
    {"FloatScientificWithPrecision", true, "e", false},
    {"FloatFixedWithPrecision", true, "f", false},
    {"FloatGeneralWithPrecisionSwitchesStyleWherePrintfDoes", true, "g", false},
    {"FloatFromCharsRoundsToNearest", true, "", false},
};

void PrintTo(const Group& group, std::ostream* out) {
    *out << group.name;
}

int checkGroup(const Group& group, MismatchLog& log) {
    if (group.styles.empty())
        return group.single ? checkFromChars<float>(floatFromChars, log)
                            : checkFromChars<double>(doubleFromChars, log);
    return group.single ? checkToChars<float>(floatToChars, group.styles, group.shortest, log)
                        : checkToChars<double>(doubleToChars, group.styles, group.shortest, log);
}

class Charconv : public testing::TestWithParam<Group> {};

TEST_P(Charconv, AgreesWithTheExactFormatter) {
    MismatchLog log;
    EXPECT_GE(checkGroup(GetParam(), log), minimumCases);
    EXPECT_EQ(log.count(), 0) << log.lines();
}

INSTANTIATE_TEST_SUITE_P(Groups, Charconv, testing::ValuesIn(groups),
                         [](const testing::TestParamInfo<Group>& group) {
                             return std::string(group.param.name);
                         });

} // namespace
