#include "sim_device.h"

namespace api = reshade::api;

namespace {

constexpr std::uint32_t bytesPerPixel = 4;

bool fourBytesPerPixel(api::format format) {
    switch (format) {
    case api::format::r10g10b10a2_unorm:
    case api::format::r8g8b8a8_typeless:
    case api::format::r8g8b8a8_unorm:
    case api::format::r8g8b8a8_unorm_srgb:
    case api::format::b8g8r8a8_unorm:
    case api::format::b8g8r8a8_typeless:
    case api::format::b8g8r8a8_unorm_srgb:
        return true;
    default:
        return false;
    }
}

} // namespace

api::format typelessFamily(api::format format) {
    switch (format) {
    case api::format::r8g8b8a8_typeless:
    case api::format::r8g8b8a8_unorm:
    case api::format::r8g8b8a8_unorm_srgb:
        return api::format::r8g8b8a8_typeless;
    case api::format::b8g8r8a8_typeless:
    case api::format::b8g8r8a8_unorm:
    case api::format::b8g8r8a8_unorm_srgb:
        return api::format::b8g8r8a8_typeless;
    default:
        return format;
    }
}

bool SimDevice::create_resource(const api::resource_desc& desc, const api::subresource_data*,
                                api::resource_usage initialState, api::resource* outHandle,
                                void**) {
    std::lock_guard lock(mutex_);
    *outHandle = {};
    if (creationsLeft_ == 0)
        return false;
    if (desc.type != api::resource_type::texture_2d || !fourBytesPerPixel(desc.texture.format) ||
        desc.texture.width == 0 || desc.texture.height == 0) {
        errors_.push_back("create_resource: not a 2-D texture of 4-byte pixels");
        return false;
    }
    if (creationsLeft_ > 0)
        --creationsLeft_;
    SimTexture texture;
    texture.desc = desc;
    texture.state = initialState;
    const std::uint32_t row = desc.texture.width * bytesPerPixel;
    // Readback rows are padded to 256 bytes and always get padding, so that
    // a reader that takes the pitch for the row width is caught.
    texture.rowPitch = desc.heap == api::memory_heap::gpu_to_cpu ? (row + 256) / 256 * 256 : row;
    texture.bytes.assign(std::size_t{texture.rowPitch} * (desc.texture.height - 1) + row, 0);
    const std::uint64_t handle = nextHandle_++;
    textures_.emplace(handle, std::move(texture));
    *outHandle = {handle};
    return true;
}

void SimDevice::destroy_resource(api::resource handle) {
    std::lock_guard lock(mutex_);
    auto it = textures_.find(handle.handle);
    if (it == textures_.end()) {
        errors_.push_back("destroy_resource: unknown texture");
        return;
    }
    if (it->second.mapped)
        errors_.push_back("destroy_resource: texture still mapped");
    textures_.erase(it);
    std::erase_if(views_, [&](const auto& view) { return view.second == handle.handle; });
}

api::resource_desc SimDevice::get_resource_desc(api::resource handle) const {
    std::lock_guard lock(mutex_);
    auto it = textures_.find(handle.handle);
    return it == textures_.end() ? api::resource_desc() : it->second.desc;
}

api::resource SimDevice::get_resource_from_view(api::resource_view view) const {
    std::lock_guard lock(mutex_);
    auto it = views_.find(view.handle);
    return it == views_.end() ? api::resource{} : api::resource{it->second};
}

bool SimDevice::map_texture_region(api::resource handle, std::uint32_t subresource,
                                   const api::subresource_box* box, api::map_access access,
                                   api::subresource_data* outData) {
    std::lock_guard lock(mutex_);
    *outData = {};
    auto it = textures_.find(handle.handle);
    if (it == textures_.end()) {
        errors_.push_back("map: unknown texture");
        return false;
    }
    SimTexture& texture = it->second;
    if (texture.desc.heap != api::memory_heap::gpu_to_cpu || subresource != 0 || box ||
        access != api::map_access::read_only) {
        errors_.push_back("map: only whole readback textures are mapped, for reading");
        return false;
    }
    if (texture.mapped) {
        errors_.push_back("map: already mapped");
        return false;
    }
    if (texture.pendingCopies > 0) {
        errors_.push_back("map: a copy into the texture has not run (no flush and wait)");
        return false;
    }
    if (failMapping_)
        return false;
    texture.mapped = true;
    outData->data = texture.bytes.data();
    outData->row_pitch = texture.rowPitch;
    outData->slice_pitch = static_cast<std::uint32_t>(texture.bytes.size());
    return true;
}

void SimDevice::unmap_texture_region(api::resource handle, std::uint32_t) {
    std::lock_guard lock(mutex_);
    auto it = textures_.find(handle.handle);
    if (it == textures_.end() || !it->second.mapped) {
        errors_.push_back("unmap: texture not mapped");
        return;
    }
    it->second.mapped = false;
}

api::resource_view SimDevice::createView(api::resource texture) {
    std::lock_guard lock(mutex_);
    const std::uint64_t handle = nextHandle_++;
    views_.emplace(handle, texture.handle);
    return {handle};
}

void SimDevice::noteError(const std::string& error) {
    std::lock_guard lock(mutex_);
    errors_.push_back(error);
}

void SimDevice::failCreationAfter(int successes) {
    std::lock_guard lock(mutex_);
    creationsLeft_ = successes;
}

void SimDevice::failMapping(bool fail) {
    std::lock_guard lock(mutex_);
    failMapping_ = fail;
}

void SimDevice::noteRefusedCopy(const std::string& copy) {
    std::lock_guard lock(mutex_);
    refusedCopies_.push_back(copy);
}

std::vector<std::string> SimDevice::refusedCopies() const {
    std::lock_guard lock(mutex_);
    return refusedCopies_;
}

std::vector<std::string> SimDevice::errors() const {
    std::lock_guard lock(mutex_);
    return errors_;
}

std::size_t SimDevice::textureCount() const {
    std::lock_guard lock(mutex_);
    return textures_.size();
}

std::size_t SimDevice::readbackTextureCount() const {
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const auto& [handle, texture] : textures_)
        count += texture.desc.heap == api::memory_heap::gpu_to_cpu ? 1 : 0;
    return count;
}
