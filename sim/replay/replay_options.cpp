#include "replay_options.h"

#include "sim_scene.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <map>

namespace {

bool parseNumber(const std::string& text, long long low, long long high, long long& out) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end || value < low || value > high)
        return false;
    out = value;
    return true;
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma - start);
        if (!item.empty())
            items.push_back(item);
        if (comma == std::string::npos)
            return items;
        start = comma + 1;
    }
}

bool parseSize(const std::string& text, ReplayOptions& options) {
    const std::size_t x = text.find('x');
    long long w = 0;
    long long h = 0;
    if (x == std::string::npos || !parseNumber(text.substr(0, x), 16, 8192, w) ||
        !parseNumber(text.substr(x + 1), 16, 8192, h))
        return false;
    // ProRes 4:2:2 halves the colour across the width.
    if (w % 2 != 0)
        return false;
    options.width = static_cast<std::uint32_t>(w);
    options.height = static_cast<std::uint32_t>(h);
    return true;
}

bool parsePasses(const std::string& text, ReplayOptions& options) {
    const std::vector<std::string> items = splitList(text);
    if (items == std::vector<std::string>{"main"}) {
        options.depth = options.normal = options.custom = false;
        return true;
    }
    if (items.empty())
        return false;
    options.depth = options.normal = options.custom = false;
    for (const std::string& item : items) {
        if (item == "depth")
            options.depth = true;
        else if (item == "normal")
            options.normal = true;
        else if (item == "custom")
            options.custom = true;
        else
            return false;
    }
    return true;
}

// The plugin puts the name in its folder, joined by the platform's rule; a
// name that is a path would land elsewhere, and the summary would look for
// the files where they are not.
bool validName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos;
}

std::string meshNames(int cars) {
    std::string names;
    for (const SimMesh& mesh : sceneMeshes(cars))
        names += std::string(names.empty() ? "" : ", ") + mesh.name;
    return names;
}

} // namespace

std::vector<std::string> defaultIdPassMeshes(int cars) {
    std::vector<std::string> names;
    for (const SimMesh& mesh : sceneMeshes(cars)) {
        const std::string name = mesh.name;
        if (name == "ball" || name.rfind("body_", 0) == 0)
            names.push_back(name);
    }
    return names;
}

ParseOutcome parseReplayOptions(const std::vector<std::string>& args, ReplayOptions& options,
                                std::string& error) {
    bool idPassGiven = false;
    std::vector<std::string> idPass;
    long long number = 0;
    using Setter = std::function<bool(const std::string&)>;
    const std::map<std::string, Setter> valued{
        {"--out", [&](const std::string& v) { return !v.empty() && (options.out = v, true); }},
        {"--name", [&](const std::string& v) { return validName(v) && (options.name = v, true); }},
        {"--size", [&](const std::string& v) { return parseSize(v, options); }},
        {"--frames",
         [&](const std::string& v) {
             return parseNumber(v, 1, 10'000'000, number) &&
                    (options.frames = static_cast<std::uint32_t>(number), true);
         }},
        {"--game-fps",
         [&](const std::string& v) {
             return parseNumber(v, 1, 1000, number) &&
                    (options.gameFps = static_cast<int>(number), true);
         }},
        {"--fps",
         [&](const std::string& v) {
             return parseNumber(v, 1, 999, number) &&
                    (options.fps = static_cast<int>(number), true);
         }},
        {"--passes", [&](const std::string& v) { return parsePasses(v, options); }},
        {"--id-pass",
         [&](const std::string& v) {
             idPassGiven = true;
             idPass = v == "none" ? std::vector<std::string>{} : splitList(v);
             return true;
         }},
        {"--cars",
         [&](const std::string& v) {
             return parseNumber(v, 1, 8, number) && (options.cars = static_cast<int>(number), true);
         }},
        {"--script",
         [&](const std::string& v) { return !v.empty() && (options.script = v, true); }},
        {"--ffmpeg",
         [&](const std::string& v) { return !v.empty() && (options.ffmpeg = v, true); }},
        {"--plugin",
         [&](const std::string& v) { return !v.empty() && (options.plugin = v, true); }},
        {"--pace",
         [&](const std::string& v) {
             if (v != "realtime" && v != "fast")
                 return false;
             options.pace = v == "fast" ? ReplayPace::Fast : ReplayPace::Realtime;
             return true;
         }},
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::string value;
        bool hasValue = false;
        if (const std::size_t equals = option.find('=');
            option.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option = option.substr(0, equals);
            hasValue = true;
        }
        if (option == "--help" || option == "-h")
            return ParseOutcome::Help;
        if (option == "--quiet" || option == "--no-frame-data") {
            if (hasValue) {
                error = option + " takes no value";
                return ParseOutcome::UsageError;
            }
            if (option == "--quiet")
                options.quiet = true;
            else
                options.frameData = false;
            continue;
        }
        const auto setter = valued.find(option);
        if (setter == valued.end()) {
            error = "unknown option " + args[i];
            return ParseOutcome::UsageError;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                error = option + " needs a value";
                return ParseOutcome::UsageError;
            }
            value = args[++i];
        }
        if (!setter->second(value)) {
            error = "bad value for " + option + ": '" + value + "'";
            if (option == "--name")
                error += " (a file name, without a folder)";
            return ParseOutcome::UsageError;
        }
    }

    options.idPass = idPassGiven ? idPass : defaultIdPassMeshes(options.cars);
    const std::vector<SimMesh>& meshes = sceneMeshes(options.cars);
    for (const std::string& name : options.idPass) {
        const bool known = std::any_of(meshes.begin(), meshes.end(),
                                       [&](const SimMesh& mesh) { return name == mesh.name; });
        if (!known) {
            error = "no mesh '" + name + "' in the scene with " + std::to_string(options.cars) +
                    " cars (meshes: " + meshNames(options.cars) + ")";
            return ParseOutcome::UsageError;
        }
    }
    return ParseOutcome::Run;
}

std::string replayUsage() {
    return R"(usage: kivren-sim [options]
Plays a synthetic replay through the Kivren2 plugin in stand-ins of the host,
ReShade and the game, and records it as the game would.
  --out DIR            output folder, created if missing (default ./kivren-output)
  --name NAME          name of the recording, kivren_name: a file name without
                       a folder (default replay)
  --size WxH           frame size, W even (default 1280x720)
  --frames N           game frames to play (default 240)
  --game-fps N         game frame rate (default 60)
  --fps N              video frame rate, kivren_fps (default 30)
  --passes LIST        comma list of depth,normal,custom, or main for the
                       screen alone (default depth,normal,custom)
  --id-pass LIST       comma list of meshes in the ID pass, or none
                       (default the ball and the cars)
  --cars N             cars in the scene, 1 to 8 (default 2)
  --script FILE.cfg    console lines run before the recording starts
  --ffmpeg PATH        FFmpeg program, kivren_ffmpeg_path (default ffmpeg)
  --no-frame-data      no frame data file (kivren_frame_data 0)
  --plugin FILE        plugin library (default the one beside this program)
  --pace realtime|fast realtime plays at the game frame rate; fast presents
                       each frame as soon as the plugin takes it (default realtime)
  --quiet              no progress line
  --help               this text
Ctrl-C, SIGTERM and SIGHUP stop the recording and keep what was recorded; a
second one quits at once without waiting for the encoders.
Exit status: 0 when every file this run wrote lines up, 1 on a failure or an
interruption, 2 on a usage error.
)";
}
