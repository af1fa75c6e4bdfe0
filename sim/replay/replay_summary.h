#pragma once
// The end of a kivren-sim run: every file written with its frame count read
// back (ffprobe, or the stand-in encoder's raw output), the frame data
// entries, the ID pass, where the time went, and whether everything lines up.
// Only files that this run wrote count: one that is just as it was before
// the run is an earlier run's, and is reported as not written.

#include "replay_options.h"
#include "replay_report.h"
#include "replay_session.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct RecordedFile {
    std::string pass; // "Main", "Depth", "Normal", "Custom", "frame data"
    std::filesystem::path path;
    std::optional<std::uint64_t> frames; // nothing when it could not be counted
    std::string problem;
};

// The files a run may write, as they were before it.
struct OutputSnapshot {
    struct State {
        std::uintmax_t size = 0;
        std::filesystem::file_time_type written{};
    };
    std::map<std::filesystem::path, State> existing;
};
OutputSnapshot snapshotOutputs(const ReplayOptions& options);

// The files of the take that the options ask for, counted; a file just as
// it was before the run (an earlier run's) is never counted.
std::vector<RecordedFile> countRecordedFiles(const ReplayOptions& options, const std::string& take,
                                             const OutputSnapshot& before);

// Main = Depth = Normal = frame data entries (those recorded), Custom = Main
// or Main - 1, and at least one Main frame. why says what does not line up.
bool filesLineUp(const std::vector<RecordedFile>& files, std::string& why);

// Prints the summary; true when everything lines up.
bool printSummary(const ReplayOptions& options, const ReplayResult& result,
                  const OutputSnapshot& before, ReplayReporter& report);
