#pragma once
// The stand-in effect runtime: a back buffer of a chosen size and DXGI
// format, the effect textures of named effects (each in the render-target
// state with a view bound to it), the effects switch, and a queue and device
// behind them; any other method of the runtime stops the program. The test
// "renders" by writing pictures into the back buffer and the effect textures,
// then presents through the stand-in ReShade.

#include "sim_command_queue.h"
#include "sim_device.h"
#include "strict_effect_runtime.h"

#include <cstdint>
#include <string>
#include <vector>

// A picture as a person sees it: top row first, R, G, B, A per pixel.
struct SimPicture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> rgba;
};

// A picture that differs with the frame and the pass and shows its own
// orientation and channels: red grows to the right, green downwards, blue
// and the pass tint change with the frame.
SimPicture simTestPicture(std::uint32_t width, std::uint32_t height, std::uint32_t frame,
                          std::uint32_t pass);

class SimEffectRuntime final : public sim::StrictEffectRuntime {
public:
    SimEffectRuntime(std::uint32_t width, std::uint32_t height,
                     reshade::api::format backBufferFormat);

    reshade::api::device* get_device() override { return &device_; }
    reshade::api::command_queue* get_command_queue() override { return &queue_; }
    void get_screenshot_width_and_height(std::uint32_t* width,
                                         std::uint32_t* height) const override;
    bool get_effects_state() const override { return effectsOn_; }
    void enumerate_texture_variables(const char* effectName,
                                     void (*callback)(reshade::api::effect_runtime* runtime,
                                                      reshade::api::effect_texture_variable,
                                                      void* userData),
                                     void* userData) override;
    void get_texture_variable_name(reshade::api::effect_texture_variable variable, char* name,
                                   std::size_t* nameSize) const override;
    void get_texture_binding(reshade::api::effect_texture_variable variable,
                             reshade::api::resource_view* srv,
                             reshade::api::resource_view* srvSrgb) const override;

    // The test's side.
    SimDevice& device() { return device_; }
    SimCommandQueue& queue() { return queue_; }
    void setEffectsOn(bool on) { effectsOn_ = on; }
    std::uint32_t width() const { return width_; }
    std::uint32_t height() const { return height_; }
    reshade::api::resource_view backBufferView() const { return backBufferView_; }
    // A texture of the back buffer's size in r8g8b8a8_typeless, as ReShade
    // creates every texture that kivren2.fx declares.
    void addEffectTexture(const std::string& effect, const std::string& name);
    // Back buffer: rows top first, bytes in the order of its format.
    void drawBackBuffer(const SimPicture& picture);
    // Effect textures: bottom row first, and kivren2.fx writes the picture's
    // blue into red and red into blue, so that a reader taking the rows last
    // first and the bytes as "bgra" sees the picture.
    bool drawEffectTexture(const std::string& name, const SimPicture& picture);
    int enumerations() const { return enumerations_; }

private:
    struct Variable {
        std::string effect;
        std::string name;
        reshade::api::resource texture;
        reshade::api::resource_view view;
    };
    const Variable* variable(reshade::api::effect_texture_variable handle) const;

    std::uint32_t width_;
    std::uint32_t height_;
    reshade::api::format format_;
    SimDevice device_;
    SimCommandQueue queue_;
    bool effectsOn_ = true;
    reshade::api::resource backBuffer_{};
    reshade::api::resource_view backBufferView_{};
    std::vector<Variable> variables_;
    int enumerations_ = 0;
};
