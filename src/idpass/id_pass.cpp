// The ID pass's lists, colours and shaders. Nothing is compiled on the draw
// path after the first replay draw, which takes the game's device.
#include "idpass/id_pass.h"

#include "formats/mesh_identity.h"
#include "idpass/flat_shader.h"

#include <d3d11.h>

void IdPass::takeDevice(ID3D11DeviceContext* context) {
    std::lock_guard highlightLock(highlightMutex_);
    if (deviceTaken_.load(std::memory_order_relaxed))
        return;
    ID3D11Device* device = nullptr;
    context->GetDevice(&device);
    if (!device)
        return;
    device_ = device;
    deviceTaken_.store(true, std::memory_order_release);

    // The first highlight is (1, 0, 1) whatever highlightColour_ holds by now.
    if (highlightShader_) {
        highlightShader_->Release();
        highlightShader_ = nullptr;
    }
    compileFlatShader(device_, 1.0f, 0.0f, 1.0f, &highlightShader_);
    highlightReady_.store(highlightShader_ != nullptr, std::memory_order_release);

    std::lock_guard meshLock(meshMutex_);
    for (const auto& [hash, colour] : colours_) {
        const auto entry = shaders_.find(hash);
        if (entry == shaders_.end() || !entry->second)
            compileShaderLocked(hash, colour);
    }
}

// setHighlightColour may release the highlight at any moment on another
// thread; the reference taken under its lock keeps the shader alive until the
// context holds its own.
void IdPass::bindHighlight(ID3D11DeviceContext* context) {
    ID3D11PixelShader* shader = nullptr;
    {
        std::lock_guard lock(highlightMutex_);
        shader = highlightShader_;
        if (shader)
            shader->AddRef();
    }
    if (!shader)
        return;
    context->PSSetShader(shader, nullptr, 0);
    shader->Release();
}

void IdPass::bindMeshColour(ID3D11DeviceContext* context, MeshHash hash) {
    std::lock_guard lock(meshMutex_);
    if (!meshes_.contains(hash))
        return;
    if (const auto entry = shaders_.find(hash); entry != shaders_.end() && entry->second)
        context->PSSetShader(entry->second, nullptr, 0);
}

void IdPass::compileShaderLocked(MeshHash hash, IdColour colour) {
    // Only once the device is taken: it is written under highlightMutex_,
    // which not every caller holds.
    if (!deviceTaken_.load(std::memory_order_acquire))
        return;
    // The entry exists before anything is compiled, so no shader is lost if
    // making room for it fails.
    auto [entry, added] = shaders_.try_emplace(hash, nullptr);
    if (entry->second) {
        entry->second->Release();
        entry->second = nullptr;
    }
    // A failed compile leaves the entry empty: the mesh keeps the game's shader.
    compileFlatShader(device_, colour.r, colour.g, colour.b, &entry->second);
}

void IdPass::addColourLocked(MeshHash hash) {
    // A mesh that has a colour keeps it, and its shader entry, even an empty one.
    if (colours_.contains(hash))
        return;
    const IdColour colour = autoColour(hash);
    colours_.emplace(hash, colour);
    // Without a device the first replay draw compiles it.
    compileShaderLocked(hash, colour);
}

void IdPass::addMesh(MeshHash hash) {
    std::lock_guard lock(meshMutex_);
    meshes_.insert(hash);
    addColourLocked(hash);
}

void IdPass::setColour(MeshHash hash, IdColour colour) {
    std::lock_guard lock(meshMutex_);
    colours_.insert_or_assign(hash, colour);
    if (auto entry = shaders_.find(hash); entry != shaders_.end() && entry->second) {
        entry->second->Release();
        entry->second = nullptr;
    }
    compileShaderLocked(hash, colour);
}

void IdPass::setHighlightColour(IdColour colour) {
    std::lock_guard lock(highlightMutex_);
    highlightReady_.store(false, std::memory_order_relaxed);
    if (highlightShader_) {
        // A draw that is binding the old highlight holds its own reference.
        highlightShader_->Release();
        highlightShader_ = nullptr;
    }
    // Stays empty before the first replay draw, or when compiling fails.
    compileFlatShader(device_, colour.r, colour.g, colour.b, &highlightShader_);
    highlightReady_.store(highlightShader_ != nullptr, std::memory_order_release);
    highlightColour_ = colour;
}

void IdPass::clear() {
    std::lock_guard lock(meshMutex_);
    meshes_.clear();
    for (auto& [hash, shader] : shaders_) {
        if (shader)
            shader->Release();
    }
    shaders_.clear();
    colours_.clear();
}

std::vector<IdPassEntry> IdPass::entries() const {
    std::vector<IdPassEntry> list;
    std::lock_guard lock(meshMutex_);
    list.reserve(colours_.size());
    for (const auto& [hash, colour] : colours_)
        list.push_back({hash, colour.r, colour.g, colour.b});
    return list;
}

std::vector<IdPassEntry> IdPass::listedEntries() const {
    std::vector<IdPassEntry> list;
    std::lock_guard lock(meshMutex_);
    for (const MeshHash hash : meshes_) {
        const auto colour = colours_.find(hash);
        if (colour != colours_.end())
            list.push_back({hash, colour->second.r, colour->second.g, colour->second.b});
    }
    return list;
}

std::vector<MeshHash> IdPass::listedMeshes() const {
    std::lock_guard lock(meshMutex_);
    return {meshes_.begin(), meshes_.end()};
}

void IdPass::releaseGraphicsObjects() {
    std::lock_guard highlightLock(highlightMutex_);
    highlightReady_.store(false, std::memory_order_release);
    if (highlightShader_)
        highlightShader_->Release();
    highlightShader_ = nullptr;
    // deviceTaken_ stays set: the device is not taken again, and without it
    // nothing is compiled any more.
    if (device_)
        device_->Release();
    device_ = nullptr;
    std::lock_guard meshLock(meshMutex_);
    for (auto& [hash, shader] : shaders_) {
        if (shader)
            shader->Release();
        shader = nullptr;
    }
}
