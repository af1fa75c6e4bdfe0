// The recording session, driven by ReShade's event 77 on the presenting
// thread: start on request, pace frames to kivren_fps, stop with the
// statistics line. The host thread only raises and lowers the request,
// except at unload, where it makes sure that no recording outlives the object.
#include "recording/recording_session.h"

#include "core/reshade_log.h"
#include "formats/encoder_command_line.h"
#include "recording/custom_pass_manifest.h"
#include "recording/encoder_process.h"
#include "recording/session_rules.h"
#include "system/system_error_text.h"

#include <fmt/format.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace api = reshade::api;

void RecordingSession::processFrame(api::effect_runtime* runtime, api::resource_view rtv) {
    std::lock_guard events(eventMutex_);
    api::device* device = runtime->get_device();
    const api::resource backBuffer = device->get_resource_from_view(rtv);

    if (!requested_.load()) {
        if (frameCount_ != 0)
            stop(runtime);
        return;
    }
    if (frameCount_ == 0 && !start(runtime, device, backBuffer))
        return;

    const std::int64_t now = steadyNanoseconds();
    if (frameCount_ > 0) {
        const std::int64_t interval = 1'000'000 / std::max<std::int32_t>(settings_.fps(), 1);
        const std::int64_t elapsed = (now - lastFrameTime_) / 1'000;
        if (elapsed < interval)
            return;
    }
    // The reference is this frame's own time, so the processed rate falls
    // below kivren_fps when frame times do not divide the interval.
    lastFrameTime_ = now;
    // The frame counts as processed even when its capture throws: a session
    // left at frameCount_ 0 would be started a second time over the first.
    const auto finishFrame = [this] {
        if (settings_.isOn(Switch::CustomPass))
            customTurn_ = !customTurn_;
        ++frameCount_;
    };
    try {
        capturePasses(runtime);
    } catch (...) {
        finishFrame();
        throw;
    }
    finishFrame();
}

namespace {

// The text settings as they stand at the start; the whole recording uses
// these, whatever the host thread sets meanwhile.
struct StartSettings {
    std::string path;
    std::string name;
    std::string ffmpeg;
};

// Refuses a start whose settings would break out of their quotes on the
// command line, or whose folder is missing; nothing is created then.
bool settingsAllowStart(const StartSettings& settings) {
    const std::pair<const char*, const std::string*> quoted[] = {
        {"kivren_path", &settings.path},
        {"kivren_name", &settings.name},
        {"kivren_ffmpeg_path", &settings.ffmpeg},
    };
    for (const auto& [setting, value] : quoted) {
        if (!safeInCommandLine(*value)) {
            logToReShade(logFailure, fmt::format("[Kivren] {} contains a double quote or a "
                                                 "control character; recording not started.",
                                                 setting));
            return false;
        }
    }
    if (!folderExists(settings.path)) {
        logToReShade(logFailure,
                     fmt::format("[Kivren] Output folder {} does not exist; recording not "
                                 "started.",
                                 settings.path));
        return false;
    }
    return true;
}

// The name this take is recorded under: kivren_name, or the first numbered
// name whose files are all free. Empty (and said) when there is none.
std::string chooseTakeName(const StartSettings& settings) {
    const std::string take = freeTakeName(settings.path, settings.name, pathExists);
    if (take.empty()) {
        logToReShade(logFailure, fmt::format("[Kivren] Every take name from \"{0}\" to \"{0} "
                                             "(9999)\" is taken in {1}; recording not started.",
                                             settings.name, settings.path));
    } else if (take != settings.name) {
        logToReShade(logProgress, fmt::format("[Kivren] A take named \"{}\" exists in {}; this "
                                              "one is recorded as \"{}\".",
                                              settings.name, settings.path, take));
    }
    return take;
}

} // namespace

// The ID pass's meshes and colours as this take draws them, beside its video.
// A list that cannot be written costs the list, never the recording.
void RecordingSession::writeCustomPassManifest(const std::string& path, const std::string& take,
                                               api::format backBufferFormat) const {
    CustomPassManifest manifest;
    manifest.take = take;
    manifest.srgbBackBuffer = backBufferFormat == api::format::r8g8b8a8_unorm_srgb ||
                              backBufferFormat == api::format::b8g8r8a8_unorm_srgb;
    manifest.proRes4444 = settings_.isOn(Switch::CustomPass444);
    manifest.highlight = idPass_.highlightColour();
    for (const IdPassEntry& entry : idPass_.listedEntries())
        manifest.meshes.push_back({entry.hash, entry.r, entry.g, entry.b});
    const std::string failure = writeManifestFile(path, customPassManifestText(manifest));
    if (!failure.empty())
        logToReShade(logFailure, fmt::format("[Kivren] Cannot write the ID pass list {}: {}; "
                                             "the recording goes on without it.",
                                             path, failure));
}

void RecordingSession::destroyReadbackTextures(api::device* device) {
    for (api::resource& texture : readbackTextures_) {
        if (device && texture.handle != 0)
            device->destroy_resource(texture);
        texture = {};
    }
}

bool RecordingSession::start(api::effect_runtime* runtime, api::device* device,
                             api::resource backBuffer) {
    const StartSettings settings{settings_.text(TextSetting::Path),
                                 settings_.text(TextSetting::Name),
                                 settings_.text(TextSetting::Ffmpeg)};
    const std::string take = settingsAllowStart(settings) ? chooseTakeName(settings) : "";
    if (take.empty()) {
        requested_.exchange(false);
        return false;
    }

    // The effect textures decide the format of their readback textures, so
    // they are looked up before anything is created.
    passTextureViews_ = {};
    lookUpPassTextures(runtime);
    reportMissingTextures();

    const api::resource_desc backBufferDesc = device->get_resource_desc(backBuffer);
    for (int i = 0; i < passCount; ++i) {
        const PassKind pass = static_cast<PassKind>(i);
        if (!createReadbackTexture(device, pass, backBufferDesc)) {
            logToReShade(logFailure, "[Kivren] Failed to create host resources!");
            destroyReadbackTextures(device);
            requested_.exchange(false);
            return false;
        }
    }

    try {
        runtime->get_screenshot_width_and_height(&frameWidth_, &frameHeight_);
        frameCount_ = 0;
        customTurn_ = false;
        recordingStart_ = steadyNanoseconds();
        encoders_.begin(frameWidth_, frameHeight_, recordingStart_);

        if (settings_.isOn(Switch::FrameData)) {
            frameData_.open(joinPath(settings.path, take + ".txt"));
        }

        const api::format format = backBufferDesc.texture.format;
        customPixelFormat_ =
            format == api::format::r8g8b8a8_unorm || format == api::format::r8g8b8a8_unorm_srgb
                ? "rgba"
                : "bgra";

        if (settings_.isOn(Switch::CustomPass))
            writeCustomPassManifest(joinPath(settings.path, take + customPassManifestSuffix), take,
                                    format);

        const bool chosen[] = {true, settings_.isOn(Switch::Depth), settings_.isOn(Switch::Normal),
                               settings_.isOn(Switch::CustomPass)};
        for (int i = 0; i < passCount; ++i) {
            const PassKind pass = static_cast<PassKind>(i);
            if (!chosen[i])
                continue;
            // A pass whose encoder does not start is not recorded; the others go on.
            const bool custom = pass == PassKind::Custom;
            encoders_.launch(settings.ffmpeg, joinPath(settings.path, take + takeFileSuffixes[i]),
                             {custom ? customPixelFormat_ : "bgra", settings_.fps(),
                              custom && settings_.isOn(Switch::CustomPass444)},
                             pass);
        }
        if (!encoders_.startWriter())
            throw std::runtime_error("no writer thread");
    } catch (const std::exception& e) {
        encoders_.close();
        frameData_.abandon();
        destroyReadbackTextures(device);
        requested_.exchange(false);
        logToReShade(logFailure, fmt::format("[Kivren] Recording could not start: {}", e.what()));
        return false;
    }
    logToReShade(logProgress, "[Kivren] Recording started.");
    return true;
}

void RecordingSession::stop(api::effect_runtime* runtime) {
    logToReShade(logProgress, "[Kivren] Stopping recording...");
    if (runtime) {
        runtime->get_command_queue()->wait_idle();
        destroyReadbackTextures(runtime->get_device());
    } else {
        // No runtime to reach the GPU through: the device frees the textures
        // when it goes.
        destroyReadbackTextures(nullptr);
    }
    // Closed whatever kivren_frame_data says now: it may have changed since the start.
    frameData_.close();
    encoders_.close();

    const std::int64_t milliseconds = (steadyNanoseconds() - recordingStart_) / 1'000'000;
    const std::int32_t fps = sessionRate(frameCount_, milliseconds);
    logToReShade(logStatistics, fmt::format("[Kivren] {} frames  {}ms  (~{} fps)", frameCount_,
                                            milliseconds, fps));
    frameCount_ = 0;
}

void RecordingSession::stopForUnload() {
    requested_.exchange(false);
    // The presenting thread ends the recording at its next frame, where the
    // GPU objects can be released too; give it a moment before doing it here.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (encoders_.writerRunning() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::lock_guard events(eventMutex_);
    if (frameCount_ != 0)
        stop(nullptr);
}
