#pragma once
// ReShade's device with every method, in ReShade's order: each stops the
// program (see unexpected_call.h) unless a stand-in overrides it.

#include "unexpected_call.h"

#include <reshade_api.hpp>

#include <cstdint>

namespace sim {

namespace api = reshade::api;

class StrictDevice : public api::device {
public:
    // api_object
    std::uint64_t get_native() const override { unexpectedCall("device::get_native"); }
    void get_private_data(const std::uint8_t[16], std::uint64_t*) const override {
        unexpectedCall("device::get_private_data");
    }
    void set_private_data(const std::uint8_t[16], const std::uint64_t) override {
        unexpectedCall("device::set_private_data");
    }

    // device
    api::device_api get_api() const override { unexpectedCall("device::get_api"); }
    bool check_capability(api::device_caps) const override {
        unexpectedCall("device::check_capability");
    }
    bool check_format_support(api::format, api::resource_usage) const override {
        unexpectedCall("device::check_format_support");
    }
    bool create_sampler(const api::sampler_desc&, api::sampler*) override {
        unexpectedCall("device::create_sampler");
    }
    void destroy_sampler(api::sampler) override { unexpectedCall("device::destroy_sampler"); }
    bool create_resource(const api::resource_desc&, const api::subresource_data*,
                         api::resource_usage, api::resource*, void**) override {
        unexpectedCall("device::create_resource");
    }
    void destroy_resource(api::resource) override { unexpectedCall("device::destroy_resource"); }
    api::resource_desc get_resource_desc(api::resource) const override {
        unexpectedCall("device::get_resource_desc");
    }
    bool create_resource_view(api::resource, api::resource_usage, const api::resource_view_desc&,
                              api::resource_view*) override {
        unexpectedCall("device::create_resource_view");
    }
    void destroy_resource_view(api::resource_view) override {
        unexpectedCall("device::destroy_resource_view");
    }
    api::resource get_resource_from_view(api::resource_view) const override {
        unexpectedCall("device::get_resource_from_view");
    }
    api::resource_view_desc get_resource_view_desc(api::resource_view) const override {
        unexpectedCall("device::get_resource_view_desc");
    }
    bool map_buffer_region(api::resource, std::uint64_t, std::uint64_t, api::map_access,
                           void**) override {
        unexpectedCall("device::map_buffer_region");
    }
    void unmap_buffer_region(api::resource) override {
        unexpectedCall("device::unmap_buffer_region");
    }
    bool map_texture_region(api::resource, std::uint32_t, const api::subresource_box*,
                            api::map_access, api::subresource_data*) override {
        unexpectedCall("device::map_texture_region");
    }
    void unmap_texture_region(api::resource, std::uint32_t) override {
        unexpectedCall("device::unmap_texture_region");
    }
    void update_buffer_region(const void*, api::resource, std::uint64_t, std::uint64_t) override {
        unexpectedCall("device::update_buffer_region");
    }
    void update_texture_region(const api::subresource_data&, api::resource, std::uint32_t,
                               const api::subresource_box*) override {
        unexpectedCall("device::update_texture_region");
    }
    bool create_pipeline(api::pipeline_layout, std::uint32_t, const api::pipeline_subobject*,
                         api::pipeline*) override {
        unexpectedCall("device::create_pipeline");
    }
    void destroy_pipeline(api::pipeline) override { unexpectedCall("device::destroy_pipeline"); }
    bool create_pipeline_layout(std::uint32_t, const api::pipeline_layout_param*,
                                api::pipeline_layout*) override {
        unexpectedCall("device::create_pipeline_layout");
    }
    void destroy_pipeline_layout(api::pipeline_layout) override {
        unexpectedCall("device::destroy_pipeline_layout");
    }
    bool allocate_descriptor_sets(std::uint32_t, api::pipeline_layout, std::uint32_t,
                                  api::descriptor_set*) override {
        unexpectedCall("device::allocate_descriptor_sets");
    }
    void free_descriptor_sets(std::uint32_t, const api::descriptor_set*) override {
        unexpectedCall("device::free_descriptor_sets");
    }
    void get_descriptor_pool_offset(api::descriptor_set, std::uint32_t, std::uint32_t,
                                    api::descriptor_pool*, std::uint32_t*) const override {
        unexpectedCall("device::get_descriptor_pool_offset");
    }
    void copy_descriptor_sets(std::uint32_t, const api::descriptor_set_copy*) override {
        unexpectedCall("device::copy_descriptor_sets");
    }
    void update_descriptor_sets(std::uint32_t, const api::descriptor_set_update*) override {
        unexpectedCall("device::update_descriptor_sets");
    }
    bool create_query_pool(api::query_type, std::uint32_t, api::query_pool*) override {
        unexpectedCall("device::create_query_pool");
    }
    void destroy_query_pool(api::query_pool) override {
        unexpectedCall("device::destroy_query_pool");
    }
    bool get_query_pool_results(api::query_pool, std::uint32_t, std::uint32_t, void*,
                                std::uint32_t) override {
        unexpectedCall("device::get_query_pool_results");
    }
    void set_resource_name(api::resource, const char*) override {
        unexpectedCall("device::set_resource_name");
    }
    void set_resource_view_name(api::resource_view, const char*) override {
        unexpectedCall("device::set_resource_view_name");
    }
};

} // namespace sim
