// Reading hashes, colours and file names typed into the console.
#include "formats/command_words.h"

#include <limits>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<MeshHash> readMeshHash(std::string_view word, std::string& reason) {
    std::string_view text = trimBlanks(word);
    // The prefix counts only when a digit follows it; "0x" alone is a 0 with
    // junk after it.
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
        hexDigit(text[2]) >= 0)
        text.remove_prefix(2);

    constexpr MeshHash largest = std::numeric_limits<MeshHash>::max();
    MeshHash value = 0;
    std::size_t digits = 0;
    for (; digits < text.size(); ++digits) {
        const int digit = hexDigit(text[digits]);
        if (digit < 0)
            break;
        if (value > (largest >> 4)) {
            reason = "is too large for a 64-bit mesh hash";
            return std::nullopt;
        }
        value = (value << 4) | static_cast<MeshHash>(digit);
    }
    if (digits == 0) {
        reason = "holds no hexadecimal mesh hash";
        return std::nullopt;
    }
    if (digits != text.size()) {
        reason = "has characters after the hexadecimal mesh hash";
        return std::nullopt;
    }
    return value;
}

std::optional<IdColour> readColourWord(std::string_view word, std::string& reason) {
    if (word.size() != 7 || word[0] != '#') {
        reason = "is not a colour of the form #rrggbb";
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (char c : word.substr(1)) {
        const int digit = hexDigit(c);
        if (digit < 0) {
            reason = "is not a colour of the form #rrggbb: the six characters after # must be "
                     "hexadecimal digits";
            return std::nullopt;
        }
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return IdColour{static_cast<float>((value >> 16) & 255u) / 255.0f,
                    static_cast<float>((value >> 8) & 255u) / 255.0f,
                    static_cast<float>(value & 255u) / 255.0f};
}

bool isPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name) {
        const auto code = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || c == ':' || code < 0x20 || code == 0x7f)
            return false;
    }
    return true;
}
