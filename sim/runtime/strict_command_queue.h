#pragma once
// ReShade's command list and command queue with every method, in ReShade's
// order: each stops the program (see unexpected_call.h) unless a stand-in
// overrides it.

#include "unexpected_call.h"

#include <reshade_api.hpp>

#include <cstdint>

namespace sim {

namespace api = reshade::api;

class StrictCommandList : public api::command_list {
public:
    // api_object
    std::uint64_t get_native() const override { unexpectedCall("command_list::get_native"); }
    void get_private_data(const std::uint8_t[16], std::uint64_t*) const override {
        unexpectedCall("command_list::get_private_data");
    }
    void set_private_data(const std::uint8_t[16], const std::uint64_t) override {
        unexpectedCall("command_list::set_private_data");
    }

    // device_object
    api::device* get_device() override { unexpectedCall("command_list::get_device"); }

    // command_list
    using api::command_list::barrier;
    void barrier(std::uint32_t, const api::resource*, const api::resource_usage*,
                 const api::resource_usage*) override {
        unexpectedCall("command_list::barrier");
    }
    void begin_render_pass(std::uint32_t, const api::render_pass_render_target_desc*,
                           const api::render_pass_depth_stencil_desc*) override {
        unexpectedCall("command_list::begin_render_pass");
    }
    void end_render_pass() override { unexpectedCall("command_list::end_render_pass"); }
    void bind_render_targets_and_depth_stencil(std::uint32_t, const api::resource_view*,
                                               api::resource_view) override {
        unexpectedCall("command_list::bind_render_targets_and_depth_stencil");
    }
    void bind_pipeline(api::pipeline_stage, api::pipeline) override {
        unexpectedCall("command_list::bind_pipeline");
    }
    void bind_pipeline_states(std::uint32_t, const api::dynamic_state*,
                              const std::uint32_t*) override {
        unexpectedCall("command_list::bind_pipeline_states");
    }
    void bind_viewports(std::uint32_t, std::uint32_t, const api::viewport*) override {
        unexpectedCall("command_list::bind_viewports");
    }
    void bind_scissor_rects(std::uint32_t, std::uint32_t, const api::rect*) override {
        unexpectedCall("command_list::bind_scissor_rects");
    }
    void push_constants(api::shader_stage, api::pipeline_layout, std::uint32_t, std::uint32_t,
                        std::uint32_t, const void*) override {
        unexpectedCall("command_list::push_constants");
    }
    void push_descriptors(api::shader_stage, api::pipeline_layout, std::uint32_t,
                          const api::descriptor_set_update&) override {
        unexpectedCall("command_list::push_descriptors");
    }
    void bind_descriptor_sets(api::shader_stage, api::pipeline_layout, std::uint32_t, std::uint32_t,
                              const api::descriptor_set*) override {
        unexpectedCall("command_list::bind_descriptor_sets");
    }
    void bind_index_buffer(api::resource, std::uint64_t, std::uint32_t) override {
        unexpectedCall("command_list::bind_index_buffer");
    }
    void bind_vertex_buffers(std::uint32_t, std::uint32_t, const api::resource*,
                             const std::uint64_t*, const std::uint32_t*) override {
        unexpectedCall("command_list::bind_vertex_buffers");
    }
    void bind_stream_output_buffers(std::uint32_t, std::uint32_t, const api::resource*,
                                    const std::uint64_t*, const std::uint64_t*) override {
        unexpectedCall("command_list::bind_stream_output_buffers");
    }
    void draw(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) override {
        unexpectedCall("command_list::draw");
    }
    void draw_indexed(std::uint32_t, std::uint32_t, std::uint32_t, std::int32_t,
                      std::uint32_t) override {
        unexpectedCall("command_list::draw_indexed");
    }
    void dispatch(std::uint32_t, std::uint32_t, std::uint32_t) override {
        unexpectedCall("command_list::dispatch");
    }
    void draw_or_dispatch_indirect(api::indirect_command, api::resource, std::uint64_t,
                                   std::uint32_t, std::uint32_t) override {
        unexpectedCall("command_list::draw_or_dispatch_indirect");
    }
    void copy_resource(api::resource, api::resource) override {
        unexpectedCall("command_list::copy_resource");
    }
    void copy_buffer_region(api::resource, std::uint64_t, api::resource, std::uint64_t,
                            std::uint64_t) override {
        unexpectedCall("command_list::copy_buffer_region");
    }
    void copy_buffer_to_texture(api::resource, std::uint64_t, std::uint32_t, std::uint32_t,
                                api::resource, std::uint32_t,
                                const api::subresource_box*) override {
        unexpectedCall("command_list::copy_buffer_to_texture");
    }
    void copy_texture_region(api::resource, std::uint32_t, const api::subresource_box*,
                             api::resource, std::uint32_t, const api::subresource_box*,
                             api::filter_mode) override {
        unexpectedCall("command_list::copy_texture_region");
    }
    void copy_texture_to_buffer(api::resource, std::uint32_t, const api::subresource_box*,
                                api::resource, std::uint64_t, std::uint32_t,
                                std::uint32_t) override {
        unexpectedCall("command_list::copy_texture_to_buffer");
    }
    void resolve_texture_region(api::resource, std::uint32_t, const api::subresource_box*,
                                api::resource, std::uint32_t, std::int32_t, std::int32_t,
                                std::int32_t, api::format) override {
        unexpectedCall("command_list::resolve_texture_region");
    }
    void clear_depth_stencil_view(api::resource_view, const float*, const std::uint8_t*,
                                  std::uint32_t, const api::rect*) override {
        unexpectedCall("command_list::clear_depth_stencil_view");
    }
    void clear_render_target_view(api::resource_view, const float[4], std::uint32_t,
                                  const api::rect*) override {
        unexpectedCall("command_list::clear_render_target_view");
    }
    void clear_unordered_access_view_uint(api::resource_view, const std::uint32_t[4], std::uint32_t,
                                          const api::rect*) override {
        unexpectedCall("command_list::clear_unordered_access_view_uint");
    }
    void clear_unordered_access_view_float(api::resource_view, const float[4], std::uint32_t,
                                           const api::rect*) override {
        unexpectedCall("command_list::clear_unordered_access_view_float");
    }
    void generate_mipmaps(api::resource_view) override {
        unexpectedCall("command_list::generate_mipmaps");
    }
    void begin_query(api::query_pool, api::query_type, std::uint32_t) override {
        unexpectedCall("command_list::begin_query");
    }
    void end_query(api::query_pool, api::query_type, std::uint32_t) override {
        unexpectedCall("command_list::end_query");
    }
    void copy_query_pool_results(api::query_pool, api::query_type, std::uint32_t, std::uint32_t,
                                 api::resource, std::uint64_t, std::uint32_t) override {
        unexpectedCall("command_list::copy_query_pool_results");
    }
    void begin_debug_event(const char*, const float[4]) override {
        unexpectedCall("command_list::begin_debug_event");
    }
    void end_debug_event() override { unexpectedCall("command_list::end_debug_event"); }
    void insert_debug_marker(const char*, const float[4]) override {
        unexpectedCall("command_list::insert_debug_marker");
    }
};

class StrictCommandQueue : public api::command_queue {
public:
    // api_object
    std::uint64_t get_native() const override { unexpectedCall("command_queue::get_native"); }
    void get_private_data(const std::uint8_t[16], std::uint64_t*) const override {
        unexpectedCall("command_queue::get_private_data");
    }
    void set_private_data(const std::uint8_t[16], const std::uint64_t) override {
        unexpectedCall("command_queue::set_private_data");
    }

    // device_object
    api::device* get_device() override { unexpectedCall("command_queue::get_device"); }

    // command_queue
    api::command_queue_type get_type() const override { unexpectedCall("command_queue::get_type"); }
    void wait_idle() const override { unexpectedCall("command_queue::wait_idle"); }
    void flush_immediate_command_list() const override {
        unexpectedCall("command_queue::flush_immediate_command_list");
    }
    api::command_list* get_immediate_command_list() override {
        unexpectedCall("command_queue::get_immediate_command_list");
    }
    void begin_debug_event(const char*, const float[4]) override {
        unexpectedCall("command_queue::begin_debug_event");
    }
    void end_debug_event() override { unexpectedCall("command_queue::end_debug_event"); }
    void insert_debug_marker(const char*, const float[4]) override {
        unexpectedCall("command_queue::insert_debug_marker");
    }
};

} // namespace sim
