#pragma once
// The plugin object: one per process, owned by pluginInstance. It implements
// the hosts' interfaces and wires the parts together: the settings, the
// recording session (with its encoders and frame data log), the ID pass and
// debug-models mode. The host, ReShade and the draw interception reach it from
// their own threads; each part guards its own state.

// The host's PluginSettingsWindow.h includes nothing of its own.
#include <cstdint>
#include <string>

#include "bakkesmod/plugin/PluginSettingsWindow.h"
#include "bakkesmod/plugin/bakkesmodplugin.h"
#include "bakkesmod/wrappers/canvaswrapper.h"
#include "core/plugin_settings.h"
#include "idpass/debug_models.h"
#include "idpass/id_pass.h"
#include "recording/recording_session.h"

#include <reshade_api.hpp>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ID3D11DeviceContext;

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

    // The parts, for whoever shows a recording's progress or checks the
    // plugin's state from outside, and for tests that drive one part.
    bool effectsOn() const { return effectsEnabled_.load(); }
    bool inReplay() const { return inReplay_.load(std::memory_order_relaxed); }
    void setInReplay(bool shows) { inReplay_.exchange(shows); }
    PluginSettings& settings() { return settings_; }
    const PluginSettings& settings() const { return settings_; }
    RecordingSession& session() { return session_; }
    const RecordingSession& session() const { return session_; }
    IdPass& idPass() { return idPass_; }
    const IdPass& idPass() const { return idPass_; }
    DebugModels& debugModels() { return debugModels_; }

private:
    // ReShade's effects switch, as the presenting thread last saw it.
    std::atomic<bool> effectsEnabled_{true};
    // Whether a replay shows, as the host's game thread last saw it; the
    // draw path does nothing outside replays.
    std::atomic<bool> inReplay_{false};
    PluginSettings settings_;
    IdPass idPass_;
    DebugModels debugModels_;
    // After the settings and the ID pass, which it reads.
    RecordingSession session_{settings_, idPass_};

    void installInterception();
    void removeInterception();
};
