#pragma once
// ReShade's effect runtime with every method, in ReShade's order (api_object,
// device_object, swapchain, effect_runtime): each stops the program (see
// unexpected_call.h) unless a stand-in overrides it.

#include "unexpected_call.h"

#include <reshade_api.hpp>

#include <cstddef>
#include <cstdint>

namespace sim {

namespace api = reshade::api;

class StrictEffectRuntime : public api::effect_runtime {
public:
    using TextureCallback = void (*)(api::effect_runtime*, api::effect_texture_variable, void*);
    using UniformCallback = void (*)(api::effect_runtime*, api::effect_uniform_variable, void*);
    using TechniqueCallback = void (*)(api::effect_runtime*, api::effect_technique, void*);

    // api_object
    std::uint64_t get_native() const override { unexpectedCall("effect_runtime::get_native"); }
    void get_private_data(const std::uint8_t[16], std::uint64_t*) const override {
        unexpectedCall("effect_runtime::get_private_data");
    }
    void set_private_data(const std::uint8_t[16], const std::uint64_t) override {
        unexpectedCall("effect_runtime::set_private_data");
    }

    // device_object
    api::device* get_device() override { unexpectedCall("effect_runtime::get_device"); }

    // swapchain
    void* get_hwnd() const override { unexpectedCall("effect_runtime::get_hwnd"); }
    api::resource get_back_buffer(std::uint32_t) override {
        unexpectedCall("effect_runtime::get_back_buffer");
    }
    std::uint32_t get_back_buffer_count() const override {
        unexpectedCall("effect_runtime::get_back_buffer_count");
    }
    std::uint32_t get_current_back_buffer_index() const override {
        unexpectedCall("effect_runtime::get_current_back_buffer_index");
    }

    // effect_runtime: the runtime itself and its input
    api::command_queue* get_command_queue() override {
        unexpectedCall("effect_runtime::get_command_queue");
    }
    void render_effects(api::command_list*, api::resource_view, api::resource_view) override {
        unexpectedCall("effect_runtime::render_effects");
    }
    bool capture_screenshot(std::uint8_t*) override {
        unexpectedCall("effect_runtime::capture_screenshot");
    }
    void get_screenshot_width_and_height(std::uint32_t*, std::uint32_t*) const override {
        unexpectedCall("effect_runtime::get_screenshot_width_and_height");
    }
    bool is_key_down(std::uint32_t) const override {
        unexpectedCall("effect_runtime::is_key_down");
    }
    bool is_key_pressed(std::uint32_t) const override {
        unexpectedCall("effect_runtime::is_key_pressed");
    }
    bool is_key_released(std::uint32_t) const override {
        unexpectedCall("effect_runtime::is_key_released");
    }
    bool is_mouse_button_down(std::uint32_t) const override {
        unexpectedCall("effect_runtime::is_mouse_button_down");
    }
    bool is_mouse_button_pressed(std::uint32_t) const override {
        unexpectedCall("effect_runtime::is_mouse_button_pressed");
    }
    bool is_mouse_button_released(std::uint32_t) const override {
        unexpectedCall("effect_runtime::is_mouse_button_released");
    }
    void get_mouse_cursor_position(std::uint32_t*, std::uint32_t*, std::int16_t*) const override {
        unexpectedCall("effect_runtime::get_mouse_cursor_position");
    }

    // effect_runtime: uniform variables
    void enumerate_uniform_variables(const char*, UniformCallback, void*) override {
        unexpectedCall("effect_runtime::enumerate_uniform_variables");
    }
    api::effect_uniform_variable find_uniform_variable(const char*, const char*) const override {
        unexpectedCall("effect_runtime::find_uniform_variable");
    }
    void get_uniform_variable_type(api::effect_uniform_variable, api::format*, std::uint32_t*,
                                   std::uint32_t*, std::uint32_t*) const override {
        unexpectedCall("effect_runtime::get_uniform_variable_type");
    }
    void get_uniform_variable_name(api::effect_uniform_variable, char*,
                                   std::size_t*) const override {
        unexpectedCall("effect_runtime::get_uniform_variable_name");
    }
    bool get_annotation_bool_from_uniform_variable(api::effect_uniform_variable, const char*, bool*,
                                                   std::size_t, std::size_t) const override {
        unexpectedCall("effect_runtime::get_annotation_bool_from_uniform_variable");
    }
    bool get_annotation_float_from_uniform_variable(api::effect_uniform_variable, const char*,
                                                    float*, std::size_t,
                                                    std::size_t) const override {
        unexpectedCall("effect_runtime::get_annotation_float_from_uniform_variable");
    }
    bool get_annotation_int_from_uniform_variable(api::effect_uniform_variable, const char*,
                                                  std::int32_t*, std::size_t,
                                                  std::size_t) const override {
        unexpectedCall("effect_runtime::get_annotation_int_from_uniform_variable");
    }
    bool get_annotation_uint_from_uniform_variable(api::effect_uniform_variable, const char*,
                                                   std::uint32_t*, std::size_t,
                                                   std::size_t) const override {
        unexpectedCall("effect_runtime::get_annotation_uint_from_uniform_variable");
    }
    bool get_annotation_string_from_uniform_variable(api::effect_uniform_variable, const char*,
                                                     char*, std::size_t*) const override {
        unexpectedCall("effect_runtime::get_annotation_string_from_uniform_variable");
    }
    void get_uniform_value_bool(api::effect_uniform_variable, bool*, std::size_t,
                                std::size_t) const override {
        unexpectedCall("effect_runtime::get_uniform_value_bool");
    }
    void get_uniform_value_float(api::effect_uniform_variable, float*, std::size_t,
                                 std::size_t) const override {
        unexpectedCall("effect_runtime::get_uniform_value_float");
    }
    void get_uniform_value_int(api::effect_uniform_variable, std::int32_t*, std::size_t,
                               std::size_t) const override {
        unexpectedCall("effect_runtime::get_uniform_value_int");
    }
    void get_uniform_value_uint(api::effect_uniform_variable, std::uint32_t*, std::size_t,
                                std::size_t) const override {
        unexpectedCall("effect_runtime::get_uniform_value_uint");
    }
    using api::effect_runtime::set_uniform_value_bool;
    void set_uniform_value_bool(api::effect_uniform_variable, const bool*, std::size_t,
                                std::size_t) override {
        unexpectedCall("effect_runtime::set_uniform_value_bool");
    }
    using api::effect_runtime::set_uniform_value_float;
    void set_uniform_value_float(api::effect_uniform_variable, const float*, std::size_t,
                                 std::size_t) override {
        unexpectedCall("effect_runtime::set_uniform_value_float");
    }
    using api::effect_runtime::set_uniform_value_int;
    void set_uniform_value_int(api::effect_uniform_variable, const std::int32_t*, std::size_t,
                               std::size_t) override {
        unexpectedCall("effect_runtime::set_uniform_value_int");
    }
    using api::effect_runtime::set_uniform_value_uint;
    void set_uniform_value_uint(api::effect_uniform_variable, const std::uint32_t*, std::size_t,
                                std::size_t) override {
        unexpectedCall("effect_runtime::set_uniform_value_uint");
    }

    // effect_runtime: texture variables
    void enumerate_texture_variables(const char*, TextureCallback, void*) override {
        unexpectedCall("effect_runtime::enumerate_texture_variables");
    }
    api::effect_texture_variable find_texture_variable(const char*, const char*) const override {
        unexpectedCall("effect_runtime::find_texture_variable");
    }
    void get_texture_variable_name(api::effect_texture_variable, char*,
                                   std::size_t*) const override {
        unexpectedCall("effect_runtime::get_texture_variable_name");
    }
    bool get_annotation_bool_from_texture_variable(api::effect_texture_variable, const char*, bool*,
                                                   std::size_t, std::size_t) const override {
        unexpectedCall("effect_runtime::get_annotation_bool_from_texture_variable");
    }
    bool get_annotation_float_from_texture_variable(api::effect_texture_variable, const char*,
                                                    float*, std::size_t,
                                                    std::size_t) const override {
        unexpectedCall("effect_runtime::get_annotation_float_from_texture_variable");
    }
    bool get_annotation_int_from_texture_variable(api::effect_texture_variable, const char*,
                                                  std::int32_t*, std::size_t,
                                                  std::size_t) const override {
        unexpectedCall("effect_runtime::get_annotation_int_from_texture_variable");
    }
    bool get_annotation_uint_from_texture_variable(api::effect_texture_variable, const char*,
                                                   std::uint32_t*, std::size_t,
                                                   std::size_t) const override {
        unexpectedCall("effect_runtime::get_annotation_uint_from_texture_variable");
    }
    bool get_annotation_string_from_texture_variable(api::effect_texture_variable, const char*,
                                                     char*, std::size_t*) const override {
        unexpectedCall("effect_runtime::get_annotation_string_from_texture_variable");
    }
    void update_texture(api::effect_texture_variable, const std::uint32_t, const std::uint32_t,
                        const std::uint8_t*) override {
        unexpectedCall("effect_runtime::update_texture");
    }
    void get_texture_binding(api::effect_texture_variable, api::resource_view*,
                             api::resource_view*) const override {
        unexpectedCall("effect_runtime::get_texture_binding");
    }
    void update_texture_bindings(const char*, api::resource_view, api::resource_view) override {
        unexpectedCall("effect_runtime::update_texture_bindings");
    }

    // effect_runtime: techniques, definitions, the effects switch, presets
    void enumerate_techniques(const char*, TechniqueCallback, void*) override {
        unexpectedCall("effect_runtime::enumerate_techniques");
    }
    api::effect_technique find_technique(const char*, const char*) override {
        unexpectedCall("effect_runtime::find_technique");
    }
    void get_technique_name(api::effect_technique, char*, std::size_t*) const override {
        unexpectedCall("effect_runtime::get_technique_name");
    }
    bool get_annotation_bool_from_technique(api::effect_technique, const char*, bool*, std::size_t,
                                            std::size_t) const override {
        unexpectedCall("effect_runtime::get_annotation_bool_from_technique");
    }
    bool get_annotation_float_from_technique(api::effect_technique, const char*, float*,
                                             std::size_t, std::size_t) const override {
        unexpectedCall("effect_runtime::get_annotation_float_from_technique");
    }
    bool get_annotation_int_from_technique(api::effect_technique, const char*, std::int32_t*,
                                           std::size_t, std::size_t) const override {
        unexpectedCall("effect_runtime::get_annotation_int_from_technique");
    }
    bool get_annotation_uint_from_technique(api::effect_technique, const char*, std::uint32_t*,
                                            std::size_t, std::size_t) const override {
        unexpectedCall("effect_runtime::get_annotation_uint_from_technique");
    }
    bool get_annotation_string_from_technique(api::effect_technique, const char*, char*,
                                              std::size_t*) const override {
        unexpectedCall("effect_runtime::get_annotation_string_from_technique");
    }
    bool get_technique_state(api::effect_technique) const override {
        unexpectedCall("effect_runtime::get_technique_state");
    }
    void set_technique_state(api::effect_technique, bool) override {
        unexpectedCall("effect_runtime::set_technique_state");
    }
    bool get_preprocessor_definition(const char*, char*, std::size_t*) const override {
        unexpectedCall("effect_runtime::get_preprocessor_definition");
    }
    void set_preprocessor_definition(const char*, const char*) override {
        unexpectedCall("effect_runtime::set_preprocessor_definition");
    }
    void render_technique(api::effect_technique, api::command_list*, api::resource_view,
                          api::resource_view) override {
        unexpectedCall("effect_runtime::render_technique");
    }
    bool get_effects_state() const override { unexpectedCall("effect_runtime::get_effects_state"); }
    void set_effects_state(bool) override { unexpectedCall("effect_runtime::set_effects_state"); }
    void get_current_preset_path(char*, std::size_t*) const override {
        unexpectedCall("effect_runtime::get_current_preset_path");
    }
    void set_current_preset_path(const char*) override {
        unexpectedCall("effect_runtime::set_current_preset_path");
    }
};

} // namespace sim
