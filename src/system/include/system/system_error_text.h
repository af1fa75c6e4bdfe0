#pragma once
// A failure's code in the one form every line that reports one uses:
// "error 2: No such file or directory". The words are the system's own
// (FormatMessage on Windows, strerror here), so that a user can look them up.

#include <cstdint>
#include <string>
#include <system_error>

std::string errorCodeText(const std::error_code& error);

// A code of the operating system itself: GetLastError() on Windows, errno here.
std::string systemErrorText(std::uint32_t code);

// The C runtime's errno after a failed stream or file call, on either system.
// 0 (a stream that failed without saying why) gives "unknown error".
std::string errnoText(int code);
