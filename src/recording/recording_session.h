#pragma once
// The recording session, one at a time. ReShade's events drive it on the
// presenting thread: start on request, pace frames to kivren_fps, capture
// the passes into the encoders and the frame data log, stop with the
// statistics line. The host's threads only raise and lower the request,
// except at unload, where the stop makes sure that no recording outlives
// the plugin; the draw path reads the request and the Custom turn.

#include "core/plugin_settings.h"
#include "idpass/id_pass.h"
#include "recording/encoder_set.h"
#include "recording/frame_data_log.h"
#include "recording/recording_types.h"

#include <reshade_api.hpp>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

class RecordingSession {
public:
    // The settings are read as they stand, the ID pass copied at a start.
    RecordingSession(const PluginSettings& settings, const IdPass& idPass)
        : settings_(settings), idPass_(idPass) {}
    RecordingSession(const RecordingSession&) = delete;
    RecordingSession& operator=(const RecordingSession&) = delete;

    // Any thread: the next presented frame starts or stops the recording.
    void request() { requested_.exchange(true); }
    void cancel() { requested_.exchange(false); }
    bool requested() const { return requested_.load(std::memory_order_relaxed); }
    // Flipped at each processed frame while the ID pass records: a turn
    // draws the ID colours, and the next one captures nothing.
    bool customTurn() const { return customTurn_.load(std::memory_order_relaxed); }

    // ReShade's events on the presenting thread, each for its whole run
    // under the session's lock.
    void processFrame(reshade::api::effect_runtime* runtime, reshade::api::resource_view rtv);
    void captureCustomPass(reshade::api::effect_runtime* runtime, reshade::api::resource_view rtv);
    // The host's thread at unload.
    void stopForUnload();

    // The host's game thread: the latest game frame's record.
    void replaceFrameRecord(std::string record) { frameData_.replaceRecord(std::move(record)); }

    // Frames processed in this recording; read between ReShade's events.
    std::int32_t processedFrames() const { return frameCount_; }
    const EncoderSet& encoders() const { return encoders_; }
    void setEncoderLimits(const EncoderLimits& limits) { encoders_.setLimits(limits); }
    // As the presenting thread sets it (for tests of the draw path).
    void setCustomTurn(bool on) { customTurn_.store(on); }

private:
    bool start(reshade::api::effect_runtime* runtime, reshade::api::device* device,
               reshade::api::resource backBuffer);
    // Without a runtime (at unload) the GPU is left alone.
    void stop(reshade::api::effect_runtime* runtime);
    static void findPassTextures(reshade::api::effect_runtime* runtime,
                                 reshade::api::effect_texture_variable variable, void* context);
    void lookUpPassTextures(reshade::api::effect_runtime* runtime);
    void reportMissingTextures() const;
    // Into readbackTextures_; the description gives the size (and the format
    // when the pass has no effect texture).
    bool createReadbackTexture(reshade::api::device* device, PassKind pass,
                               const reshade::api::resource_desc& sizeAndFallback);
    void destroyReadbackTextures(reshade::api::device* device);
    void writeCustomPassManifest(const std::string& path, const std::string& take,
                                 reshade::api::format backBufferFormat) const;
    void capturePasses(reshade::api::effect_runtime* runtime);
    void copyPassTexture(reshade::api::device* device, reshade::api::command_list* list,
                         reshade::api::resource_view view, reshade::api::resource readback);
    void readBackPass(reshade::api::device* device, reshade::api::resource readback, PassKind pass,
                      RowOrder rowOrder);

    const PluginSettings& settings_;
    const IdPass& idPass_;
    // Held by ReShade's events for their whole run and by the unload's stop.
    std::mutex eventMutex_;
    std::atomic<bool> requested_{false};
    std::atomic<bool> customTurn_{false};

    // Presenting thread.
    std::array<reshade::api::resource, passCount> readbackTextures_{};
    std::array<reshade::api::resource_view, 3> passTextureViews_{};
    std::uint32_t frameWidth_ = 0;
    std::uint32_t frameHeight_ = 0;
    std::int64_t recordingStart_ = 0; // steady clock, nanoseconds
    std::int64_t lastFrameTime_ = 0;  // steady clock, nanoseconds
    std::int32_t frameCount_ = 0;
    std::string customPixelFormat_ = "bgra";
    EncoderSet encoders_;
    FrameDataLog frameData_;
};
