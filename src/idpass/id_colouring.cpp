// The ID pass containers, the highlight and the per-draw decision that reads
// them. The draw path runs on the game's render thread for every indexed
// draw, so its cheap tests come first and nothing is compiled there after the
// first draw; the operations run on the host's threads. All of them meet
// through shaderMutex, debugMutex and idPassMutex, always taken in that order.
#include "core/kivren.h"

#include "idpass/flat_shader.h"
#include "idpass/mesh_identity.h"

#include <d3d11.h>

namespace {

UINT byteWidthOf(ID3D11Buffer* buffer) {
    D3D11_BUFFER_DESC desc{};
    buffer->GetDesc(&desc);
    // The queries handed us a reference of our own.
    buffer->Release();
    return desc.ByteWidth;
}

MeshKey readMeshKey(ID3D11DeviceContext* context) {
    MeshKey key;
    ID3D11Buffer* buffer = nullptr;
    UINT stride = 0;
    UINT offset = 0;
    context->IAGetVertexBuffers(0, 1, &buffer, &stride, &offset);
    key.stride = stride;
    if (buffer)
        key.vertexBytes = byteWidthOf(buffer);

    buffer = nullptr;
    DXGI_FORMAT format = DXGI_FORMAT_UNKNOWN;
    context->IAGetIndexBuffer(&buffer, &format, &offset);
    if (buffer)
        key.indexBytes = byteWidthOf(buffer);

    buffer = nullptr;
    context->PSGetConstantBuffers(0, 1, &buffer);
    if (buffer)
        key.constantBytes = byteWidthOf(buffer);
    return key;
}

// setHighlightColour may release highlightShader at any moment on another
// thread; the reference taken under its lock keeps the shader alive until the
// context holds its own.
void bindHighlight(Kivren& plugin, ID3D11DeviceContext* context) {
    ID3D11PixelShader* shader = nullptr;
    {
        std::lock_guard lock(plugin.shaderMutex);
        shader = plugin.highlightShader;
        if (shader)
            shader->AddRef();
    }
    if (!shader)
        return;
    context->PSSetShader(shader, nullptr, 0);
    shader->Release();
}

} // namespace

void Kivren::takeGameDevice(ID3D11DeviceContext* context) {
    std::lock_guard shaderLock(shaderMutex);
    if (deviceTaken.load(std::memory_order_relaxed))
        return;
    ID3D11Device* device = nullptr;
    context->GetDevice(&device);
    if (!device)
        return;
    gameDevice = device;
    deviceTaken.store(true, std::memory_order_release);

    // The first highlight is (1, 0, 1) whatever highlightColour holds by now.
    if (highlightShader) {
        highlightShader->Release();
        highlightShader = nullptr;
    }
    compileFlatShader(gameDevice, 1.0f, 0.0f, 1.0f, &highlightShader);
    highlightReady.store(highlightShader != nullptr, std::memory_order_release);

    std::lock_guard idPassLock(idPassMutex);
    for (const auto& [hash, colour] : idPassColours) {
        const auto entry = idPassShaders.find(hash);
        if (entry == idPassShaders.end() || !entry->second)
            compileIdPassShader(hash, colour);
    }
}

void Kivren::onDrawIndexed(ID3D11DeviceContext* context) {
    // Outside replays nothing happens at all: no device, no mesh, no colour.
    if (!inReplay.load(std::memory_order_relaxed))
        return;
    try {
        if (!deviceTaken.load(std::memory_order_acquire))
            takeGameDevice(context);
        // Neither feature works without the highlight.
        if (!highlightReady.load(std::memory_order_acquire))
            return;

        const bool debug = settings_.isOn(Switch::DebugModels);
        const bool recording = recordRequested.load(std::memory_order_relaxed);
        const bool active = (settings_.isOn(Switch::CustomPass) && recording && customTurn) ||
                            (settings_.isOn(Switch::CustomPassPreview) && !recording);
        if (!debug && !active)
            return;

        const MeshKey key = readMeshKey(context);
        if (isExcludedDraw(key))
            return;

        if (debug) {
            std::lock_guard lock(debugMutex);
            seenMeshes.insert(key);
            if (key == selectedMesh)
                bindHighlight(*this, context);
        }
        if (!active)
            return;

        // After the highlight, so that a listed selection shows its ID colour.
        const MeshHash hash = hashMeshKey(key);
        std::lock_guard lock(idPassMutex);
        if (!idPassMeshes.contains(hash))
            return;
        if (const auto entry = idPassShaders.find(hash);
            entry != idPassShaders.end() && entry->second)
            context->PSSetShader(entry->second, nullptr, 0);
    } catch (...) {
        // Only remembering a mesh or the first compile can fail (memory); the
        // game's draw goes ahead unchanged.
    }
}

void Kivren::compileIdPassShader(MeshHash hash, IdColour colour) {
    // Only once the device is taken: it is written under shaderMutex, which
    // not every caller holds.
    if (!deviceTaken.load(std::memory_order_acquire))
        return;
    // The entry exists before anything is compiled, so no shader is lost if
    // making room for it fails.
    auto [entry, added] = idPassShaders.try_emplace(hash, nullptr);
    if (entry->second) {
        entry->second->Release();
        entry->second = nullptr;
    }
    // A failed compile leaves the entry empty: the mesh keeps the game's shader.
    compileFlatShader(gameDevice, colour.r, colour.g, colour.b, &entry->second);
}

void Kivren::addIdPassMesh(MeshHash hash) {
    // A mesh that has a colour keeps it, and its shader entry, even an empty one.
    if (idPassColours.contains(hash))
        return;
    const IdColour colour = autoColour(hash);
    idPassColours.emplace(hash, colour);
    // Without a device the first replay draw compiles it.
    compileIdPassShader(hash, colour);
}

void Kivren::setIdPassColour(MeshHash hash, float r, float g, float b) {
    std::lock_guard lock(idPassMutex);
    const IdColour colour{r, g, b};
    idPassColours.insert_or_assign(hash, colour);
    if (auto entry = idPassShaders.find(hash); entry != idPassShaders.end() && entry->second) {
        entry->second->Release();
        entry->second = nullptr;
    }
    compileIdPassShader(hash, colour);
}

void Kivren::setHighlightColour(float r, float g, float b) {
    std::lock_guard lock(shaderMutex);
    highlightReady.store(false, std::memory_order_relaxed);
    if (highlightShader) {
        // A draw that is binding the old highlight holds its own reference.
        highlightShader->Release();
        highlightShader = nullptr;
    }
    // Stays empty before the first replay draw, or when compiling fails.
    compileFlatShader(gameDevice, r, g, b, &highlightShader);
    highlightReady.store(highlightShader != nullptr, std::memory_order_release);
    highlightColour = {r, g, b};
}

void Kivren::clearIdPass() {
    std::lock_guard lock(idPassMutex);
    idPassMeshes.clear();
    for (auto& [hash, shader] : idPassShaders) {
        if (shader)
            shader->Release();
    }
    idPassShaders.clear();
    idPassColours.clear();
}

std::vector<IdPassEntry> Kivren::idPassEntries() {
    std::vector<IdPassEntry> entries;
    std::lock_guard lock(idPassMutex);
    entries.reserve(idPassColours.size());
    for (const auto& [hash, colour] : idPassColours)
        entries.push_back({hash, colour.r, colour.g, colour.b});
    return entries;
}
