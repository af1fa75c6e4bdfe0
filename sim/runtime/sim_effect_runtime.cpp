#include "sim_effect_runtime.h"

#include <algorithm>
#include <cstring>

namespace api = reshade::api;

SimPicture simTestPicture(std::uint32_t width, std::uint32_t height, std::uint32_t frame,
                          std::uint32_t pass) {
    SimPicture picture{width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 4)};
    const std::uint32_t blue = (frame * 37 + pass * 61 + 20) % 256;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint8_t* p = picture.rgba.data() + (std::size_t{y} * width + x) * 4;
            p[0] = static_cast<std::uint8_t>(x * 255 / std::max(width - 1, 1u));
            p[1] = static_cast<std::uint8_t>(y * 255 / std::max(height - 1, 1u));
            p[2] = static_cast<std::uint8_t>(blue);
            p[3] = 255;
        }
    }
    return picture;
}

SimEffectRuntime::SimEffectRuntime(std::uint32_t width, std::uint32_t height, api::format format)
    : width_(width), height_(height), format_(format), queue_(device_) {
    api::resource_desc desc;
    desc.type = api::resource_type::texture_2d;
    desc.texture = {width, height, 1, 1, format, 1};
    desc.heap = api::memory_heap::gpu_only;
    desc.usage = api::resource_usage::render_target | api::resource_usage::copy_source;
    device_.create_resource(desc, nullptr, api::resource_usage::render_target, &backBuffer_,
                            nullptr);
    backBufferView_ = device_.createView(backBuffer_);
}

void SimEffectRuntime::get_screenshot_width_and_height(std::uint32_t* width,
                                                       std::uint32_t* height) const {
    *width = width_;
    *height = height_;
}

void SimEffectRuntime::enumerate_texture_variables(
    const char* effectName,
    void (*callback)(api::effect_runtime*, api::effect_texture_variable, void*), void* userData) {
    ++enumerations_;
    for (std::size_t i = 0; i < variables_.size(); ++i) {
        if (effectName && variables_[i].effect == effectName)
            callback(this, api::effect_texture_variable{i + 1}, userData);
    }
}

const SimEffectRuntime::Variable*
SimEffectRuntime::variable(api::effect_texture_variable handle) const {
    if (handle.handle == 0 || handle.handle > variables_.size())
        return nullptr;
    return &variables_[handle.handle - 1];
}

// As ReShade: copies what fits, always ends the text, and gives back its length.
void SimEffectRuntime::get_texture_variable_name(api::effect_texture_variable handle, char* name,
                                                 std::size_t* nameSize) const {
    const Variable* v = variable(handle);
    const std::string text = v ? v->name : std::string();
    if (!name) {
        *nameSize = text.size() + 1;
        return;
    }
    if (*nameSize == 0)
        return;
    const std::size_t n = std::min(*nameSize - 1, text.size());
    std::memcpy(name, text.data(), n);
    name[n] = '\0';
    *nameSize = n;
}

void SimEffectRuntime::get_texture_binding(api::effect_texture_variable handle,
                                           api::resource_view* srv,
                                           api::resource_view* srvSrgb) const {
    const Variable* v = variable(handle);
    if (srv)
        *srv = v ? v->view : api::resource_view{};
    if (srvSrgb)
        *srvSrgb = v ? v->view : api::resource_view{};
}

void SimEffectRuntime::addEffectTexture(const std::string& effect, const std::string& name) {
    api::resource_desc desc;
    desc.type = api::resource_type::texture_2d;
    // ReShade FX has no BGRA format: its textures are r8g8b8a8_typeless
    // (viewed as r8g8b8a8_unorm), whatever the back buffer's format.
    desc.texture = {width_, height_, 1, 1, api::format::r8g8b8a8_typeless, 1};
    desc.heap = api::memory_heap::gpu_only;
    desc.usage = api::resource_usage::render_target | api::resource_usage::shader_resource |
                 api::resource_usage::copy_source;
    api::resource texture{};
    device_.create_resource(desc, nullptr, api::resource_usage::render_target, &texture, nullptr);
    variables_.push_back({effect, name, texture, device_.createView(texture)});
}

void SimEffectRuntime::drawBackBuffer(const SimPicture& picture) {
    const bool rgbaOrder = format_ == api::format::r8g8b8a8_unorm ||
                           format_ == api::format::r8g8b8a8_unorm_srgb ||
                           format_ == api::format::r8g8b8a8_typeless;
    device_.withTexture(backBuffer_, [&](SimTexture& t) {
        for (std::uint32_t y = 0; y < height_; ++y) {
            for (std::uint32_t x = 0; x < width_; ++x) {
                const std::uint8_t* p = picture.rgba.data() + (std::size_t{y} * width_ + x) * 4;
                std::uint8_t* q = t.bytes.data() + std::size_t{y} * t.rowPitch + std::size_t{x} * 4;
                q[0] = rgbaOrder ? p[0] : p[2];
                q[1] = p[1];
                q[2] = rgbaOrder ? p[2] : p[0];
                q[3] = p[3];
            }
        }
    });
}

bool SimEffectRuntime::drawEffectTexture(const std::string& name, const SimPicture& picture) {
    for (const Variable& v : variables_) {
        if (v.name != name)
            continue;
        return device_.withTexture(v.texture, [&](SimTexture& t) {
            for (std::uint32_t y = 0; y < height_; ++y) {
                const std::uint32_t stored = height_ - 1 - y;
                for (std::uint32_t x = 0; x < width_; ++x) {
                    const std::uint8_t* p = picture.rgba.data() + (std::size_t{y} * width_ + x) * 4;
                    std::uint8_t* q =
                        t.bytes.data() + std::size_t{stored} * t.rowPitch + std::size_t{x} * 4;
                    q[0] = p[2];
                    q[1] = p[1];
                    q[2] = p[0];
                    q[3] = p[3];
                }
            }
        });
    }
    return false;
}
