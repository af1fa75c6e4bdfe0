#pragma once
// The part of ReShade's add-on API (version 4) that the plugin calls: the
// effect runtime, its command queue and list, and the device. Handles are
// 64-bit values, 0 meaning none.

#include <cstddef>
#include <cstdint>

namespace reshade::api {

// DXGI numbering.
enum class format : std::uint32_t {
    unknown = 0,
    r10g10b10a2_unorm = 24,
    r8g8b8a8_typeless = 27,
    r8g8b8a8_unorm = 28,
    r8g8b8a8_unorm_srgb = 29,
    b8g8r8a8_unorm = 87,
    b8g8r8a8_typeless = 90,
    b8g8r8a8_unorm_srgb = 91,
};

enum class resource_type : std::uint32_t {
    unknown = 0,
    buffer = 1,
    texture_1d = 2,
    texture_2d = 3,
    texture_3d = 4,
    surface = 5,
};

enum class memory_heap : std::uint32_t {
    unknown = 0,
    gpu_only = 1,
    cpu_to_gpu = 2,
    gpu_to_cpu = 3,
    cpu_only = 4,
    custom = 5,
};

enum class resource_usage : std::uint32_t {
    undefined = 0,
    render_target = 0x4,
    shader_resource = 0xC0,
    copy_dest = 0x400,
    copy_source = 0x800,
};
constexpr resource_usage operator|(resource_usage a, resource_usage b) {
    return static_cast<resource_usage>(static_cast<std::uint32_t>(a) |
                                       static_cast<std::uint32_t>(b));
}

enum class resource_flags : std::uint32_t { none = 0 };

enum class map_access : std::uint32_t {
    read_only = 1,
    write_only = 2,
    read_write = 3,
    write_discard = 4,
};

enum class filter_mode : std::uint32_t { min_mag_mip_point = 0 };

struct resource {
    std::uint64_t handle = 0;
};
struct resource_view {
    std::uint64_t handle = 0;
};
struct effect_texture_variable {
    std::uint64_t handle = 0;
};

struct subresource_box {
    std::int32_t left, top, front, right, bottom, back;
};

struct subresource_data {
    void* data = nullptr;
    std::uint32_t row_pitch = 0;
    std::uint32_t slice_pitch = 0;
};

struct resource_desc {
    resource_type type = resource_type::unknown;
    union {
        struct {
            std::uint64_t size;
            std::uint32_t stride;
        } buffer;
        struct {
            std::uint32_t width;
            std::uint32_t height;
            std::uint16_t depth_or_layers;
            std::uint16_t levels;
            api::format format;
            std::uint16_t samples;
        } texture;
    };
    memory_heap heap = memory_heap::unknown;
    resource_usage usage = resource_usage::undefined;
    resource_flags flags = resource_flags::none;

    resource_desc() : texture{0, 0, 0, 0, format::unknown, 0} {}
};

class device {
public:
    virtual bool create_resource(const resource_desc& desc, const subresource_data* initial_data,
                                 resource_usage initial_state, resource* out_handle,
                                 void** shared_handle = nullptr) = 0;
    virtual void destroy_resource(resource handle) = 0;
    virtual resource_desc get_resource_desc(resource resource) const = 0;
    virtual resource get_resource_from_view(resource_view view) const = 0;
    virtual bool map_texture_region(resource resource, std::uint32_t subresource,
                                    const subresource_box* box, map_access access,
                                    subresource_data* out_data) = 0;
    virtual void unmap_texture_region(resource resource, std::uint32_t subresource) = 0;

protected:
    ~device() = default;
};

class command_list {
public:
    virtual void barrier(std::uint32_t count, const resource* resources,
                         const resource_usage* old_states, const resource_usage* new_states) = 0;
    void barrier(resource resource, resource_usage old_state, resource_usage new_state) {
        barrier(1, &resource, &old_state, &new_state);
    }
    virtual void copy_texture_region(resource source, std::uint32_t source_subresource,
                                     const subresource_box* source_box, resource dest,
                                     std::uint32_t dest_subresource,
                                     const subresource_box* dest_box,
                                     filter_mode filter = filter_mode::min_mag_mip_point) = 0;

protected:
    ~command_list() = default;
};

class command_queue {
public:
    virtual command_list* get_immediate_command_list() = 0;
    virtual void flush_immediate_command_list() const = 0;
    virtual void wait_idle() const = 0;

protected:
    ~command_queue() = default;
};

class effect_runtime {
public:
    virtual api::device* get_device() = 0;
    virtual api::command_queue* get_command_queue() = 0;
    virtual void get_screenshot_width_and_height(std::uint32_t* out_width,
                                                 std::uint32_t* out_height) const = 0;
    virtual bool get_effects_state() const = 0;
    virtual void enumerate_texture_variables(const char* effect_name,
                                             void (*callback)(effect_runtime* runtime,
                                                              effect_texture_variable variable,
                                                              void* user_data),
                                             void* user_data) = 0;
    virtual void get_texture_variable_name(effect_texture_variable variable, char* name,
                                           std::size_t* name_size) const = 0;
    virtual void get_texture_binding(effect_texture_variable variable, resource_view* out_srv,
                                     resource_view* out_srv_srgb = nullptr) const = 0;

protected:
    ~effect_runtime() = default;
};

} // namespace reshade::api
