#pragma once
// The FFmpeg command line: built from one fixed template, checked before it
// is built, and split into arguments by the rules a Windows child applies to
// it (so the POSIX build and our stand-in encoder read it the same way).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The 153-character template with its six placeholders filled in order.
// With proRes4444 the child encodes ProRes 4444 in 10-bit 4:4:4 instead of
// HQ 4:2:2, so that flat ID mattes keep clean edges; everything else stays.
std::string encoderCommandLine(std::string_view ffmpegPath, std::string_view pixelFormat,
                               std::uint32_t width, std::uint32_t height, std::int32_t fps,
                               std::string_view outputPath, bool proRes4444 = false);

// False when the text holds a double quote or a control character, either of
// which would let a setting end its quoted argument and add arguments of its own.
bool safeInCommandLine(std::string_view text);

// Splits a command line as CreateProcess and the C runtime do: the program
// name runs to the next quote (quoted) or blank, without backslash escapes;
// in the arguments 2n backslashes before a quote give n and toggle quoting,
// 2n+1 give n and a literal quote, "" inside quotes is a literal quote, and
// other backslashes are literal.
std::vector<std::string> splitCommandLine(std::string_view commandLine);
