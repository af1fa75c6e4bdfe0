#pragma once
// The whole of kivren-repair behind its command line, so that tests run it
// in their own process.

#include <ostream>
#include <span>
#include <string_view>

inline constexpr int repairDone = 0;
// The input is not a cut-off ProRes recording, or the repair could not be written.
inline constexpr int repairFailed = 1;
inline constexpr int repairUsage = 2;

// args excludes the program's name. The report goes to out; a refusal or a
// failure is one line on err.
int runRepairTool(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
