#include "replay_session.h"

#include "drawing_game.h"
#include "formats/mesh_identity.h"
#include "plugin_counters.h"
#include "replay_system.h"
#include "reshade_module.h"
#include "sim_effect_runtime.h"
#include "sim_frame_driver.h"
#include "sim_host.h"
#include "sim_scene.h"

#include <fmt/format.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <random>
#include <regex>
#include <thread>

namespace {

// The plugin says at the start when it records under a numbered name, so that
// no earlier take is replaced.
std::string recordedTake(const std::string& name) {
    static const std::regex renamed(
        R"re(3 \[Kivren\] A take named ".*" exists in .*; this one is recorded as "(.*)"\.)re");
    std::string take = name;
    std::smatch match;
    for (const std::string& line : StandInReShade::instance().logLines())
        if (std::regex_match(line, match, renamed))
            take = match[1];
    return take;
}

using Clock = std::chrono::steady_clock;

// The library's sleep_until on a steady clock sleeps once for the difference,
// and a system timer may wake a little early (Wine's does): check again.
void sleepUntil(Clock::time_point deadline) {
    for (auto now = Clock::now(); now < deadline; now = Clock::now())
        std::this_thread::sleep_for(deadline - now);
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

MeshHash hashOf(const MeshSizes& sizes) {
    return hashMeshKey({sizes.stride, sizes.vertexBytes, sizes.indexBytes, sizes.constantBytes});
}

// The host keeps its data and cfg folders in a folder of its own, gone after the run.
std::filesystem::path freshHostRoot() {
    std::random_device random;
    return std::filesystem::temp_directory_path() /
           fmt::format("kivren-sim-{:08x}{:08x}", random(), random());
}

class Session {
public:
    Session(const ReplayOptions& options, ReplayReporter& report, ReplayResult& result)
        : o_(options), report_(report), result_(result), meshes_(sceneMeshes(options.cars)) {}
    ~Session();

    bool run();

private:
    bool prepare();
    bool load();
    void configure();
    void presentFrame(std::uint32_t frame);
    void play();
    void stop();
    void fail(const std::string& line) { report_.fail(line); }

    const ReplayOptions& o_;
    ReplayReporter& report_;
    ReplayResult& result_;
    const std::vector<SimMesh>& meshes_;
    std::vector<std::string> scriptLines_;
    std::filesystem::path hostRoot_;
    std::unique_ptr<DrawingGame> game_;
    std::unique_ptr<SimHost> host_;
    std::unique_ptr<SimEffectRuntime> runtime_;
    std::unique_ptr<SceneRenderer> renderer_;
    std::vector<MeshLook> looks_;
    SimPicture main_, depth_, normal_;
    Clock::time_point lastEvents_{};
};

Session::~Session() {
    // The plugin goes first, while the game's device it may hold is alive.
    host_.reset();
    game_.reset();
    if (!hostRoot_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(hostRoot_, ignored);
    }
}

bool Session::prepare() {
    std::error_code error;
    std::filesystem::create_directories(o_.out, error);
    if (error || !std::filesystem::is_directory(o_.out)) {
        fail(fmt::format("cannot create the output folder {}: {}", o_.out.string(),
                         error ? error.message() : "not a folder"));
        return false;
    }
    const std::filesystem::path probe = o_.out / ".kivren-sim-probe";
    if (!std::ofstream(probe).is_open()) {
        fail(fmt::format("the output folder {} is not writable", o_.out.string()));
        return false;
    }
    std::filesystem::remove(probe, error);

    if (!findProgram(o_.ffmpeg)) {
        fail(fmt::format("FFmpeg not found: '{}' (install FFmpeg or give --ffmpeg PATH)",
                         o_.ffmpeg));
        return false;
    }
    if (!o_.script.empty()) {
        std::ifstream script(o_.script, std::ios::binary);
        if (!script.is_open()) {
            fail(fmt::format("cannot read the script {}", o_.script.string()));
            return false;
        }
        for (std::string line; std::getline(script, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.find_first_not_of(" \t") != std::string::npos && line.rfind("//", 0) != 0)
                scriptLines_.push_back(line);
        }
    }
    return true;
}

bool Session::load() {
    // The game runs, and has loaded its d3d11 module, before any plugin comes.
    game_ = std::make_unique<DrawingGame>(meshes_);
    if (!game_->failure().empty()) {
        fail("the game could not start: " + game_->failure());
        return false;
    }
    StandInReShade::instance().reset();
    hostRoot_ = freshHostRoot();
    host_ = std::make_unique<SimHost>(hostRoot_);
    const std::filesystem::path plugin = o_.plugin.empty() ? SimHost::builtPlugin() : o_.plugin;
    std::string error;
    if (!host_->loadPlugin(plugin, &error)) {
        fail(fmt::format("cannot load the plugin {}: {}", plugin.string(), error));
        return false;
    }
    report_.reshadeFailures();

    runtime_ = std::make_unique<SimEffectRuntime>(o_.width, o_.height,
                                                  reshade::api::format::b8g8r8a8_unorm);
    for (const char* texture : {"Kivren_Main", "Kivren_Depth", "Kivren_Normal"})
        runtime_->addEffectTexture("kivren2.fx", texture);
    renderer_ = std::make_unique<SceneRenderer>(o_.width, o_.height);
    looks_.resize(meshes_.size());
    // The replay is showing before the user starts recording.
    host_->game().setState(sceneAt(0, o_.gameFps, o_.cars));
    return true;
}

void Session::configure() {
    SimConsole& console = host_->console();
    // What the console says from here on is the user's to see, as they
    // would in the game's console; what it said while loading is the host's.
    report_.skipConsoleLines(console.logLines().size());
    // Values go in as the settings page sets them, so that any text reaches
    // the plugin unchanged (a console line cannot quote a double quote).
    const std::pair<const char*, std::string> values[] = {
        {"kivren_path", std::filesystem::absolute(o_.out).string()},
        {"kivren_name", o_.name},
        {"kivren_fps", std::to_string(o_.fps)},
        {"kivren_depth", o_.depth ? "1" : "0"},
        {"kivren_normal", o_.normal ? "1" : "0"},
        {"kivren_custom_pass", o_.custom ? "1" : "0"},
        {"kivren_frame_data", o_.frameData ? "1" : "0"},
        {"kivren_ffmpeg_path", o_.ffmpeg},
    };
    for (const auto& [name, value] : values) {
        if (auto cvar = console.getCvar(name))
            cvar->setValue(value);
    }
    for (const std::string& name : o_.idPass) {
        for (const SimMesh& mesh : meshes_) {
            if (name == mesh.name)
                console.run(fmt::format("kivren_custom_pass_add {:x}", hashOf(mesh.sizes)));
        }
    }
    report_.consoleLines(console.logLines());
    for (const std::string& line : scriptLines_) {
        console.run(line);
        report_.consoleLines(console.logLines());
        report_.reshadeFailures();
    }
}

// What a stop that does not wait for the encoders leaves behind.
std::string hardStopNote(const ReplayOptions& o) {
    std::string files = fmt::format("\"{}.mov\"", o.name);
    const std::pair<bool, const char*> passes[] = {
        {o.depth, " - depth.mov"}, {o.normal, " - normal.mov"}, {o.custom, " - custom pass.mov"}};
    for (const auto& [chosen, suffix] : passes)
        if (chosen)
            files += fmt::format(", \"{}{}\"", o.name, suffix);
    std::string note = fmt::format(
        "kivren-sim: quit without waiting for the encoders: the videos {} in {} may be cut off "
        "(kivren-repair recovers their frames)",
        files, o.out.string());
    if (o.frameData)
        note += fmt::format(", and \"{}.txt\" may end inside an entry", o.name);
    return note;
}

// One game frame in the game's order: the host's drawables (the plugin
// samples the replay), the meshes' draws (the plugin may swap their shaders),
// the screen from what the draws came out as, kivren2.fx, then ReShade.
void Session::presentFrame(std::uint32_t frame) {
    ReplayTimes& t = result_.times;
    host_->game().setState(sceneAt(frame, o_.gameFps, o_.cars));
    host_->game().renderFrame();

    auto start = Clock::now();
    const std::vector<Rgba> colours = game_->drawFrame();
    for (std::size_t i = 0; i < looks_.size(); ++i)
        looks_[i] = {colours[i] != meshes_[i].gameColour, colours[i]};
    t.draws += secondsSince(start);

    start = Clock::now();
    renderer_->render(host_->game().state(), looks_);
    runtime_->drawBackBuffer(renderer_->backBuffer());
    t.render += secondsSince(start);

    start = Clock::now();
    renderer_->renderEffects(main_, depth_, normal_);
    runtime_->drawEffectTexture("Kivren_Main", main_);
    runtime_->drawEffectTexture("Kivren_Depth", depth_);
    runtime_->drawEffectTexture("Kivren_Normal", normal_);
    t.effects += secondsSince(start);

    if (o_.pace == ReplayPace::Fast && lastEvents_ != Clock::time_point{}) {
        // The plugin takes a frame once 1/kivren_fps has passed since the last.
        const auto interval = std::chrono::microseconds(1'000'000 / o_.fps + 200);
        start = Clock::now();
        sleepUntil(lastEvents_ + interval);
        t.waiting += secondsSince(start);
    }
    start = Clock::now();
    SimFrameDriver::fireFrameEvents(*runtime_);
    // The plugin times its interval from inside the events (after starting
    // the encoders on the first frame), so the next one counts from their end.
    lastEvents_ = Clock::now();
    t.events += std::chrono::duration<double>(lastEvents_ - start).count();
    report_.reshadeFailures();
}

void Session::play() {
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1.0 / o_.gameFps));
    const auto started = Clock::now();
    for (std::uint32_t frame = 0; frame < o_.frames; ++frame) {
        if (interruptRequested()) {
            result_.interrupted = true;
            report_.fail("interrupted: stopping the recording and closing its files (once more "
                         "to quit without waiting)");
            return;
        }
        if (o_.pace == ReplayPace::Realtime) {
            const auto start = Clock::now();
            sleepUntil(started + frame * period);
            result_.times.waiting += secondsSince(start);
        }
        presentFrame(frame);
        ++result_.framesPlayed;
        const PluginCounters counters = readPluginCounters(*host_);
        if (frame == 0 && counters.processed == 0) {
            fail("the plugin did not start the recording (see ReShade's line above)");
            return;
        }
        if (!result_.recorded)
            result_.take = recordedTake(o_.name);
        result_.recorded = true;
        report_.progress(frame + 1, o_.frames, counters);
    }
}

// The stop takes effect at the next presented frame, where the plugin closes
// the encoders and waits for them.
void Session::stop() {
    host_->console().run("kivren_stop");
    report_.consoleLines(host_->console().logLines());
    const auto start = Clock::now();
    presentFrame(result_.framesPlayed);
    result_.times.stop = secondsSince(start);
    report_.progress(result_.framesPlayed, o_.frames, readPluginCounters(*host_), true);
    report_.reshadeFailures();
}

bool Session::run() {
    if (!prepare() || !load())
        return false;
    setTemporaryFolder(hostRoot_);
    const auto started = Clock::now();
    configure();
    setHardStopNote(hardStopNote(o_));
    const auto colours = readIdPassColours(*host_);
    for (const std::string& name : o_.idPass) {
        for (const SimMesh& mesh : meshes_) {
            if (name != mesh.name)
                continue;
            IdPassMesh entry{name, hashOf(mesh.sizes), {}};
            if (const auto found = colours.find(entry.hash); found != colours.end())
                entry.colour = found->second;
            result_.idPass.push_back(entry);
        }
    }

    report_.recordingStarted();
    host_->console().run("kivren_start");
    report_.consoleLines(host_->console().logLines());
    try {
        play();
    } catch (const std::exception& e) {
        fail(fmt::format("the replay failed at frame {}: {}", result_.framesPlayed, e.what()));
        result_.failed = true;
    }
    try {
        stop();
    } catch (const std::exception& e) {
        fail(fmt::format("stopping the recording failed: {}", e.what()));
        result_.failed = true;
    }
    host_->unloadPlugin();
    report_.reshadeFailures();
    result_.times.total = secondsSince(started);
    result_.times.encodersCpu = endedChildrenCpuSeconds();
    return result_.recorded && !result_.failed;
}

} // namespace

bool runReplay(const ReplayOptions& options, ReplayReporter& report, ReplayResult& result) {
    try {
        Session session(options, report, result);
        return session.run();
    } catch (const std::exception& e) {
        report.fail(e.what());
        return false;
    }
}
