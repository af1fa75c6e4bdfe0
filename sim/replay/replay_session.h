#pragma once
// One run of kivren-sim: the plugin loaded into the stand-in host beside the
// stand-in ReShade, the drawing game and the scene renderer, the user's
// console actions, the game frames, the stop and the unload.

#include "replay_options.h"
#include "replay_report.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Wall-clock seconds of the run, by where they went.
struct ReplayTimes {
    double draws = 0;   // the game's DrawIndexed calls, through the plugin's hook
    double render = 0;  // the scene into the back buffer
    double effects = 0; // kivren2.fx's pictures into the effect textures
    double events = 0;  // ReShade's events: the plugin's capture and queueing
    double waiting = 0; // pacing between frames
    double stop = 0;    // the last frame: the writer drains, the encoders finish
    double total = 0;
    double encodersCpu = -1; // CPU seconds of the encoders, where known
};

struct IdPassMesh {
    std::string name;
    std::uint64_t hash = 0;
    std::array<std::uint8_t, 3> colour{}; // as the plugin holds it
};

struct ReplayResult {
    bool recorded = false; // the plugin started the recording
    bool failed = false;   // something went wrong after the start
    bool interrupted = false;
    // The name the plugin recorded the take under: --name, or a numbered
    // name when files of that take were already in the folder.
    std::string take;
    std::uint32_t framesPlayed = 0;
    std::vector<IdPassMesh> idPass;
    ReplayTimes times;
};

// Runs the replay. False when it could not run, the recording did not start
// or something failed on the way; the reason has been reported. Frames
// recorded before a failure are kept: once started, the recording is always
// stopped and the plugin unloaded.
bool runReplay(const ReplayOptions& options, ReplayReporter& report, ReplayResult& result);
