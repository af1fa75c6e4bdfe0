#include "system/system_error_text.h"

#include <fmt/format.h>

std::string errorCodeText(const std::error_code& error) {
    // FormatMessage ends its sentences with a full stop (and a line break,
    // which the runtime drops); strerror does not. The line around the text
    // has its own punctuation, so both come without.
    std::string words = error.message();
    while (!words.empty() && (words.back() == '.' || words.back() == ' ' || words.back() == '\r' ||
                              words.back() == '\n'))
        words.pop_back();
    return fmt::format("error {}: {}", error.value(), words);
}

std::string systemErrorText(std::uint32_t code) {
    return errorCodeText(std::error_code(static_cast<int>(code), std::system_category()));
}

std::string errnoText(int code) {
    if (code == 0)
        return "unknown error";
    return errorCodeText(std::error_code(code, std::generic_category()));
}
