#pragma once
// What kivren-sim says while it runs: the progress line (rewritten in place
// on a terminal, a line about every second otherwise), ReShade's failure
// lines as they appear, and its own lines, without the three running into
// each other.

#include "plugin_counters.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class ReplayReporter {
public:
    ReplayReporter(bool quiet, bool terminal);

    // New level-1 lines of ReShade's log, each printed once.
    void reshadeFailures();
    // How many there were since the recording started.
    std::size_t failuresSinceStart() const { return failures_; }
    void recordingStarted() { counting_ = true; }
    // New lines of the host's console (what a user sees in the console
    // while typing the lines of a script), each printed once, as "console: ...".
    void consoleLines(const std::vector<std::string>& lines);
    // Lines logged so far are not shown.
    void skipConsoleLines(std::size_t count) { consoleSeen_ = count; }
    // Frames done of total, with the plugin's counters; throttled.
    void progress(std::uint32_t done, std::uint32_t total, const PluginCounters& counters,
                  bool force = false);
    // A line of the summary (standard output).
    void say(const std::string& line);
    // A failure of kivren-sim's own, "kivren-sim: ..." (standard error).
    void fail(const std::string& line);
    // "kivren-sim: warning: ..." (standard error).
    void warn(const std::string& line);

private:
    void endProgressLine();

    bool quiet_;
    bool terminal_;
    bool progressShown_ = false;
    std::size_t logSeen_ = 0;
    std::size_t consoleSeen_ = 0;
    std::size_t failures_ = 0;
    bool counting_ = false;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastProgress_{};
};
