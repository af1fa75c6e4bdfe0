#pragma once
// The plugin object: one per process, owned by pluginInstance. It holds every
// piece of the plugin's state; the host, ReShade and the draw interception
// reach it from their own threads (see the comments on each group).

// The host's PluginSettingsWindow.h includes nothing of its own.
#include <cstdint>
#include <string>

#include "bakkesmod/plugin/PluginSettingsWindow.h"
#include "bakkesmod/plugin/bakkesmodplugin.h"
#include "bakkesmod/wrappers/canvaswrapper.h"
#include "core/plugin_settings.h"
#include "idpass/debug_models.h"
#include "idpass/id_pass.h"
#include "recording/encoder_set.h"
#include "recording/frame_data_log.h"
#include "recording/recording_types.h"

#include <reshade_api.hpp>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct ID3D11Device;
struct ID3D11DeviceContext;
struct ID3D11PixelShader;

class Kivren final : public BakkesMod::Plugin::BakkesModPlugin,
                     public BakkesMod::Plugin::PluginSettingsWindow {
public:
    Kivren();
    ~Kivren() override;
    Kivren(const Kivren&) = delete;
    Kivren& operator=(const Kivren&) = delete;

    // Host lifecycle, called one after another on the host's thread.
    void onLoad() override;
    void onUnload() override;

    // Settings page (host's interface thread): the host's three slots, each
    // calling the page's own function.
    void RenderSettings() override;
    std::string GetPluginName() override;
    void SetImGuiContext(uintptr_t ctx) override;
    void drawSettingsPage();
    std::string settingsPageTitle();
    void adoptUiContext(std::uintptr_t ctx);
    void drawSettingsWidgets();
    void drawIdPassSection();
    void settingCheckbox(const char* label, const char* variable, bool current);
    void setSettingValue(const char* variable, const std::string& value);
    void setSettingValue(const char* variable, int value);

    // Settings persistence.
    void saveSettings();
    void loadSettings();

    // ReShade events, on the presenting thread.
    void updateEffectsEnabled(reshade::api::effect_runtime* runtime);
    void captureCustomPass(reshade::api::effect_runtime* runtime, reshade::api::resource_view rtv);
    void processFrame(reshade::api::effect_runtime* runtime, reshade::api::resource_view rtv);

    // Host drawable, once per game frame.
    void sampleFrame(CanvasWrapper canvas);

    // Every indexed draw of the game, on its render thread.
    void onDrawIndexed(ID3D11DeviceContext* context);

    // ---- Host and settings state --------------------------------------------
    std::atomic<bool> effectsEnabled{true};
    std::atomic<bool> recordRequested{false};
    // Flipped by the presenting thread, read by the draw path.
    std::atomic<bool> customTurn{false};
    std::atomic<bool> inReplay{false};

    // ---- Recording session (one at a time, presenting thread) ----------------
    std::array<reshade::api::resource, passCount> readbackTextures{};
    std::uint32_t frameWidth = 0;
    std::uint32_t frameHeight = 0;
    std::int64_t recordingStart = 0; // steady clock, nanoseconds
    std::int32_t frameCount = 0;
    std::atomic<std::int32_t> measuredFps{0};
    std::int64_t lastFrameTime = 0; // steady clock, nanoseconds
    std::string customPixelFormat = "bgra";
    std::array<reshade::api::resource_view, 3> passTextureViews{};

    // Held by the ReShade events for their whole run and by the unload's stop.
    static std::mutex& sessionMutex();
    bool startRecording(reshade::api::effect_runtime* runtime, reshade::api::device* device,
                        reshade::api::resource backBuffer);
    // Without a runtime (at unload) the GPU is left alone.
    void stopRecording(reshade::api::effect_runtime* runtime);
    void stopRecordingForUnload();
    static void findPassTextures(reshade::api::effect_runtime* runtime,
                                 reshade::api::effect_texture_variable variable, void* context);
    void lookUpPassTextures(reshade::api::effect_runtime* runtime);
    void reportMissingTextures() const;
    // Into readbackTextures; the description gives the size (and the format
    // when the pass has no effect texture).
    bool createReadbackTexture(reshade::api::device* device, PassKind pass,
                               const reshade::api::resource_desc& sizeAndFallback);
    void capturePasses(reshade::api::effect_runtime* runtime);
    void copyPassTexture(reshade::api::device* device, reshade::api::command_list* list,
                         reshade::api::resource_view view, reshade::api::resource readback);
    void readBackPass(reshade::api::device* device, reshade::api::resource readback, PassKind pass,
                      RowOrder rowOrder);

    // ---- Console (host's thread) ------------------------------------------------
    void registerConsoleVariables();
    void registerConsoleCommands();
    void settingsChanged(CVarWrapper cvar);
    void commandStart(const std::vector<std::string>& words);
    void commandStop(const std::vector<std::string>& words);

    // ID pass commands, after their word counts were checked.
    void stepDebugModel(bool forward);
    void addSelectedMesh();
    void addMeshHash(const std::string& word);
    void saveIdPass(const std::string& name);
    void setHighlightFromWord(const std::string& word);
    void clearIdPass();

    // Writes one line into the host's console (no prefix).
    void consoleLine(const std::string& text);

    // For whoever shows a recording's progress, and for tests that shorten
    // the encoders' limits between recordings.
    const EncoderSet& encoderSet() const { return encoders_; }
    PluginSettings& settings() { return settings_; }
    IdPass& idPass() { return idPass_; }
    const IdPass& idPass() const { return idPass_; }
    DebugModels& debugModels() { return debugModels_; }
    const PluginSettings& settings() const { return settings_; }
    void setEncoderLimits(const EncoderLimits& limits) { encoders_.setLimits(limits); }

private:
    PluginSettings settings_;
    EncoderSet encoders_;
    FrameDataLog frameData_;
    IdPass idPass_;
    DebugModels debugModels_;

    void installInterception();
    void removeInterception();
};
