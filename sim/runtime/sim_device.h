#pragma once
// The stand-in GPU device: 2-D textures held in CPU memory, views onto them,
// and mapping of readback textures with a row pitch wider than the row, as
// real drivers give. Every misuse (a texture in the wrong state, a mapping of
// a texture whose copy has not run, an unknown handle) is noted as an error
// for the test to see, and the call fails as a driver's would. Any other
// method of the device stops the program.

#include "strict_device.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

struct SimTexture {
    reshade::api::resource_desc desc;
    reshade::api::resource_usage state = reshade::api::resource_usage::undefined;
    std::uint32_t rowPitch = 0;
    // Exactly what a mapping may read: rowPitch x (height - 1) + the last row.
    std::vector<std::uint8_t> bytes;
    bool mapped = false;
    int pendingCopies = 0;
};

class SimDevice final : public sim::StrictDevice {
public:
    bool create_resource(const reshade::api::resource_desc& desc,
                         const reshade::api::subresource_data* initialData,
                         reshade::api::resource_usage initialState,
                         reshade::api::resource* outHandle, void** sharedHandle) override;
    void destroy_resource(reshade::api::resource handle) override;
    reshade::api::resource_desc get_resource_desc(reshade::api::resource handle) const override;
    reshade::api::resource get_resource_from_view(reshade::api::resource_view view) const override;
    bool map_texture_region(reshade::api::resource handle, std::uint32_t subresource,
                            const reshade::api::subresource_box* box,
                            reshade::api::map_access access,
                            reshade::api::subresource_data* outData) override;
    void unmap_texture_region(reshade::api::resource handle, std::uint32_t subresource) override;

    // The test's side.
    reshade::api::resource_view createView(reshade::api::resource texture);
    // Runs f on the texture under the device's lock; false when it is unknown.
    template <typename F> bool withTexture(reshade::api::resource handle, F&& f) {
        std::lock_guard lock(mutex_);
        auto it = textures_.find(handle.handle);
        if (it == textures_.end())
            return false;
        f(it->second);
        return true;
    }
    // Runs f on two different textures under one hold of the lock; false when
    // either is unknown or they are the same.
    template <typename F>
    bool withTextures(reshade::api::resource first, reshade::api::resource second, F&& f) {
        std::lock_guard lock(mutex_);
        auto a = textures_.find(first.handle);
        auto b = textures_.find(second.handle);
        if (a == textures_.end() || b == textures_.end() || a == b)
            return false;
        f(a->second, b->second);
        return true;
    }
    void noteError(const std::string& error);
    // Copies that Direct3D 11 refuses without a word (formats of different
    // typeless families): nothing is copied, and the test can read them here.
    void noteRefusedCopy(const std::string& copy);
    std::vector<std::string> refusedCopies() const;
    // After this many more successful creations, creation fails (negative: never).
    void failCreationAfter(int successes);
    // Mapping fails while set.
    void failMapping(bool fail);
    std::vector<std::string> errors() const;
    std::size_t textureCount() const;
    std::size_t readbackTextureCount() const;

private:
    mutable std::mutex mutex_;
    std::map<std::uint64_t, SimTexture> textures_;
    std::map<std::uint64_t, std::uint64_t> views_;
    std::uint64_t nextHandle_ = 0x1000;
    int creationsLeft_ = -1;
    bool failMapping_ = false;
    std::vector<std::string> errors_;
    std::vector<std::string> refusedCopies_;
};

// The typeless format a format belongs to: Direct3D 11 copies between two
// textures only when their formats share it (r8g8b8a8_unorm and
// r8g8b8a8_typeless do, r8g8b8a8_unorm and b8g8r8a8_unorm do not).
reshade::api::format typelessFamily(reshade::api::format format);
