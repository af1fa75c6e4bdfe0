#pragma once
// An effect runtime with nothing in it but the effects switch: enough for the
// events that only ask whether effects are on, and for a frame event that
// finds no recording to run.

#include "reshade/reshade_api.hpp"

#include <atomic>

class MinimalRuntime final : public reshade::api::effect_runtime,
                             reshade::api::device,
                             reshade::api::command_queue,
                             reshade::api::command_list {
public:
    std::atomic<bool> effectsOn{true};

    reshade::api::device* get_device() override { return this; }
    reshade::api::command_queue* get_command_queue() override { return this; }
    void get_screenshot_width_and_height(std::uint32_t* w, std::uint32_t* h) const override {
        *w = 16;
        *h = 16;
    }
    bool get_effects_state() const override { return effectsOn.load(); }
    void enumerate_texture_variables(const char*,
                                     void (*)(reshade::api::effect_runtime*,
                                              reshade::api::effect_texture_variable, void*),
                                     void*) override {}
    void get_texture_variable_name(reshade::api::effect_texture_variable, char* name,
                                   std::size_t* size) const override {
        if (name && size && *size)
            name[0] = '\0';
    }
    void get_texture_binding(reshade::api::effect_texture_variable, reshade::api::resource_view* a,
                             reshade::api::resource_view* b) const override {
        if (a)
            *a = {};
        if (b)
            *b = {};
    }

    bool create_resource(const reshade::api::resource_desc&, const reshade::api::subresource_data*,
                         reshade::api::resource_usage, reshade::api::resource* out,
                         void**) override {
        *out = {};
        return false;
    }
    void destroy_resource(reshade::api::resource) override {}
    reshade::api::resource_desc get_resource_desc(reshade::api::resource) const override {
        return {};
    }
    reshade::api::resource get_resource_from_view(reshade::api::resource_view) const override {
        return {};
    }
    bool map_texture_region(reshade::api::resource, std::uint32_t,
                            const reshade::api::subresource_box*, reshade::api::map_access,
                            reshade::api::subresource_data*) override {
        return false;
    }
    void unmap_texture_region(reshade::api::resource, std::uint32_t) override {}

    reshade::api::command_list* get_immediate_command_list() override { return this; }
    void flush_immediate_command_list() const override {}
    void wait_idle() const override {}

    void barrier(std::uint32_t, const reshade::api::resource*, const reshade::api::resource_usage*,
                 const reshade::api::resource_usage*) override {}
    void copy_texture_region(reshade::api::resource, std::uint32_t,
                             const reshade::api::subresource_box*, reshade::api::resource,
                             std::uint32_t, const reshade::api::subresource_box*,
                             reshade::api::filter_mode) override {}
};
