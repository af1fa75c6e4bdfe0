#include "sim_command_queue.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace api = reshade::api;

void SimCommandList::barrier(std::uint32_t count, const api::resource* resources,
                             const api::resource_usage* oldStates,
                             const api::resource_usage* newStates) {
    for (std::uint32_t i = 0; i < count; ++i) {
        const bool known = device_.withTexture(resources[i], [&](SimTexture& texture) {
            if (texture.state != oldStates[i])
                device_.noteError("barrier: texture is not in the state given as old");
            texture.state = newStates[i];
        });
        if (!known)
            device_.noteError("barrier: unknown texture");
    }
}

void SimCommandList::copy_texture_region(api::resource source, std::uint32_t sourceSubresource,
                                         const api::subresource_box* sourceBox, api::resource dest,
                                         std::uint32_t destSubresource,
                                         const api::subresource_box* destBox, api::filter_mode) {
    api::resource_desc from, to;
    api::resource_usage fromState{}, toState{};
    const bool known = device_.withTexture(source, [&](SimTexture& t) {
        from = t.desc;
        fromState = t.state;
    }) && device_.withTexture(dest, [&](SimTexture& t) {
        to = t.desc;
        toState = t.state;
    });
    if (!known) {
        device_.noteError("copy: unknown texture");
        return;
    }
    if (sourceSubresource != 0 || destSubresource != 0 || sourceBox || destBox) {
        device_.noteError("copy: only whole textures are copied");
        return;
    }
    if (fromState != api::resource_usage::copy_source ||
        toState != api::resource_usage::copy_dest) {
        device_.noteError(
            "copy: source must be in the copy-source state, destination in copy-dest");
        return;
    }
    if (from.texture.width != to.texture.width || from.texture.height != to.texture.height) {
        device_.noteError("copy: textures differ in size");
        return;
    }
    if (typelessFamily(from.texture.format) != typelessFamily(to.texture.format)) {
        device_.noteRefusedCopy(fmt::format("copy from format {} into format {}",
                                            static_cast<std::uint32_t>(from.texture.format),
                                            static_cast<std::uint32_t>(to.texture.format)));
        return;
    }
    device_.withTexture(dest, [](SimTexture& t) { ++t.pendingCopies; });
    std::lock_guard lock(mutex_);
    recorded_.push_back({source, dest});
}

std::vector<SimCommandList::Copy> SimCommandList::takeRecorded() {
    std::lock_guard lock(mutex_);
    return std::exchange(recorded_, {});
}

void SimCommandQueue::flush_immediate_command_list() const {
    std::vector<SimCommandList::Copy> copies = list_.takeRecorded();
    std::lock_guard lock(mutex_);
    submitted_.insert(submitted_.end(), copies.begin(), copies.end());
}

void SimCommandQueue::wait_idle() const {
    std::vector<SimCommandList::Copy> copies;
    {
        std::lock_guard lock(mutex_);
        copies.swap(submitted_);
        ++waits_;
    }
    for (const SimCommandList::Copy& copy : copies)
        run(copy);
}

int SimCommandQueue::waits() const {
    std::lock_guard lock(mutex_);
    return waits_;
}

void SimCommandQueue::run(const SimCommandList::Copy& copy) const {
    // Straight from one texture into the other: the copy is the stand-in
    // GPU's work, and a detour through a temporary would bill the recording
    // benchmarks for memory a real GPU never touches.
    device_.withTextures(copy.source, copy.dest, [](SimTexture& from, SimTexture& to) {
        const std::size_t row = std::size_t{from.desc.texture.width} * 4;
        if (!from.bytes.empty())
            for (std::uint32_t y = 0; y < from.desc.texture.height; ++y)
                std::memcpy(to.bytes.data() + std::size_t{y} * to.rowPitch,
                            from.bytes.data() + std::size_t{y} * from.rowPitch, row);
        to.pendingCopies = std::max(0, to.pendingCopies - 1);
    });
}
