#pragma once
// An effect runtime with nothing in it but the effects switch: enough for the
// events that only ask whether effects are on, and for a frame event that
// finds no recording to run (it resolves the back buffer's view, to nothing).
// Any other call stops the test program, naming the method.

#include "strict_device.h"
#include "strict_effect_runtime.h"

#include <atomic>

class MinimalRuntime final : public sim::StrictEffectRuntime {
public:
    std::atomic<bool> effectsOn{true};

    reshade::api::device* get_device() override { return &device_; }
    bool get_effects_state() const override { return effectsOn.load(); }

private:
    class Device final : public sim::StrictDevice {
    public:
        reshade::api::resource get_resource_from_view(reshade::api::resource_view) const override {
            return {};
        }
    };
    Device device_;
};
