#pragma once
// The whole of kivren-framedata behind its command line, so that tests run
// it in their own process: reads, checks, converts, writes, and returns the
// exit status.

#include <ostream>
#include <span>
#include <string_view>

// Done, or --help / --version / --check answered.
inline constexpr int exitDone = 0;
// The input is not valid frame data, or an output could not be written.
inline constexpr int exitFailed = 1;
inline constexpr int exitUsage = 2;

// args excludes the program's name. Messages go to err, one line each;
// --help, --version and --check print to out.
int runFrameDataTool(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
