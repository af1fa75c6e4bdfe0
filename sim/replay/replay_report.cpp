#include "replay_report.h"

#include "reshade_module.h"

#include <fmt/format.h>

#include <cstdio>

ReplayReporter::ReplayReporter(bool quiet, bool terminal) : quiet_(quiet), terminal_(terminal) {}

void ReplayReporter::endProgressLine() {
    if (!progressShown_)
        return;
    // On a terminal the progress line is cleared; elsewhere it is a line of its own already.
    if (terminal_)
        std::fputs("\r\x1b[K", stdout);
    std::fflush(stdout);
    progressShown_ = false;
}

void ReplayReporter::reshadeFailures() {
    const std::vector<std::string> lines = StandInReShade::instance().logLines();
    for (std::size_t i = logSeen_; i < lines.size(); ++i) {
        if (lines[i].rfind("1 ", 0) == 0) {
            if (counting_)
                ++failures_;
            endProgressLine();
            std::fprintf(stderr, "ReShade: %s\n", lines[i].c_str() + 2);
            std::fflush(stderr);
        }
    }
    logSeen_ = lines.size();
}

void ReplayReporter::consoleLines(const std::vector<std::string>& lines) {
    for (std::size_t i = consoleSeen_; i < lines.size(); ++i) {
        endProgressLine();
        std::printf("console: %s\n", lines[i].c_str());
    }
    consoleSeen_ = lines.size();
    std::fflush(stdout);
}

void ReplayReporter::progress(std::uint32_t done, std::uint32_t total,
                              const PluginCounters& counters, bool force) {
    if (quiet_)
        return;
    const auto now = std::chrono::steady_clock::now();
    const auto every = terminal_ ? std::chrono::milliseconds(100) : std::chrono::milliseconds(1000);
    if (!force && now - lastProgress_ < every)
        return;
    lastProgress_ = now;
    const double seconds = std::chrono::duration<double>(now - started_).count();
    const double speed = seconds > 0 ? counters.written[0] / seconds : 0.0;
    const std::string line =
        fmt::format("frames {}/{}  captured main {} depth {} normal {} custom {}  queue {}  "
                    "encoders {:.1f} fps",
                    done, total, counters.due[0], counters.due[1], counters.due[2], counters.due[3],
                    counters.queueDepth, speed);
    if (terminal_) {
        std::fputs(("\r\x1b[K" + line).c_str(), stdout);
        progressShown_ = true;
    } else {
        std::puts(line.c_str());
    }
    std::fflush(stdout);
}

void ReplayReporter::say(const std::string& line) {
    endProgressLine();
    std::puts(line.c_str());
    std::fflush(stdout);
}

void ReplayReporter::fail(const std::string& line) {
    endProgressLine();
    std::fprintf(stderr, "kivren-sim: %s\n", line.c_str());
    std::fflush(stderr);
}

void ReplayReporter::warn(const std::string& line) {
    endProgressLine();
    std::fprintf(stderr, "kivren-sim: warning: %s\n", line.c_str());
    std::fflush(stderr);
}
