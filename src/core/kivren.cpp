// The plugin object's life: construction, the ordered start-up in onLoad and
// the release in onUnload.
#include "core/kivren.h"

#include "core/host_guard.h"

#include <d3d11.h>
#include <fmt/format.h>

Kivren::Kivren() = default;

// The encoders end their writer themselves, after it has written what is queued.
Kivren::~Kivren() = default;

void reportHostCallFailure(Kivren& plugin, const char* what, const char* reason) noexcept {
    try {
        plugin.consoleLine(fmt::format("{} failed: {}", what, reason));
    } catch (...) {
        // The console itself failed; there is nowhere left to report to.
    }
}

void Kivren::consoleLine(const std::string& text) {
    if (cvarManager)
        cvarManager->log(text);
}

void Kivren::onLoad() {
    guardHostCall(*this, "onLoad", [this] {
        settings_.resetToDefaults();

        installInterception();

        gameWrapper->RegisterDrawable([this](CanvasWrapper canvas) { sampleFrame(canvas); });

        registerConsoleVariables();
        // settingsChanged is attached by now, so every value that the file
        // restores is saved again at once.
        loadSettings();
        registerConsoleCommands();
        // A user's own configuration runs last, once everything exists.
        cvarManager->executeCommand("exec kivren/default.cfg", true);
    });
}

void Kivren::updateEffectsEnabled(reshade::api::effect_runtime* runtime) {
    effectsEnabled_.exchange(runtime->get_effects_state());
}

void Kivren::processFrame(reshade::api::effect_runtime* runtime, reshade::api::resource_view rtv) {
    session_.processFrame(runtime, rtv);
}

void Kivren::captureCustomPass(reshade::api::effect_runtime* runtime,
                               reshade::api::resource_view rtv) {
    session_.captureCustomPass(runtime, rtv);
}

void Kivren::onUnload() {
    guardHostCall(*this, "onUnload", [this] {
        // A recording still running ends here, while the object is whole.
        session_.stopForUnload();
        // From here on no draw reaches the plugin.
        removeInterception();
        // The meshes and colours stay listed; the graphics objects go, once.
        idPass_.releaseGraphicsObjects();
    });
}
