// Recording operations still being built; replaced by the recording subsystem.
#include "core/kivren.h"

void Kivren::updateEffectsEnabled(reshade::api::effect_runtime* runtime) {
    effectsEnabled.exchange(runtime->get_effects_state());
}
void Kivren::captureCustomPass(reshade::api::effect_runtime*, reshade::api::resource_view) {}
void Kivren::processFrame(reshade::api::effect_runtime*, reshade::api::resource_view) {}
