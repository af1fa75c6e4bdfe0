#pragma once
// kivren-sim's command line: what the user asked for, checked, with the
// defaults that give a useful recording when nothing is asked.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

enum class ReplayPace {
    // Game frames presented at the game frame rate in wall-clock time, as a
    // replay plays in the game.
    Realtime,
    // No pacing at the game rate: each frame is presented as soon as the
    // plugin's kivren_fps interval has passed, so every game frame is processed.
    Fast,
};

struct ReplayOptions {
    std::filesystem::path out = "kivren-output";
    std::string name = "replay";
    std::uint32_t width = 1280;
    std::uint32_t height = 720;
    std::uint32_t frames = 240;
    int gameFps = 60;
    int fps = 30;
    bool depth = true;
    bool normal = true;
    bool custom = true;
    // Names from sceneMeshes(cars).
    std::vector<std::string> idPass;
    int cars = 2;
    std::filesystem::path script;
    std::string ffmpeg = "ffmpeg";
    bool frameData = true;
    std::filesystem::path plugin; // empty: the built plugin beside the program
    ReplayPace pace = ReplayPace::Realtime;
    bool quiet = false;
};

enum class ParseOutcome { Run, Help, UsageError };

// Fills options from the arguments (without the program name). On a usage
// error, error says what was wrong in one line.
ParseOutcome parseReplayOptions(const std::vector<std::string>& args, ReplayOptions& options,
                                std::string& error);

// The usage text, every option with its default.
std::string replayUsage();

// The meshes that the ID pass lists by default: the ball and every car body.
std::vector<std::string> defaultIdPassMeshes(int cars);
