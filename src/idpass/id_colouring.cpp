// The per-draw decision: which of the game's indexed draws get the debug
// highlight or their ID colour. It runs on the game's render thread for every
// indexed draw, so its cheap tests come first.
#include "core/kivren.h"

#include "formats/mesh_identity.h"

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

} // namespace

void Kivren::onDrawIndexed(ID3D11DeviceContext* context) {
    // Outside replays nothing happens at all: no device, no mesh, no colour.
    if (!inReplay_.load(std::memory_order_relaxed))
        return;
    try {
        if (!idPass_.deviceTaken())
            idPass_.takeDevice(context);
        // Neither feature works without the highlight.
        if (!idPass_.highlightReady())
            return;

        const bool debug = settings_.isOn(Switch::DebugModels);
        const bool recording = session_.requested();
        const bool active =
            (settings_.isOn(Switch::CustomPass) && recording && session_.customTurn()) ||
            (settings_.isOn(Switch::CustomPassPreview) && !recording);
        if (!debug && !active)
            return;

        const MeshKey key = readMeshKey(context);
        if (isExcludedDraw(key))
            return;

        if (debug && debugModels_.remember(key))
            idPass_.bindHighlight(context);
        if (!active)
            return;

        // After the highlight, so that a listed selection shows its ID colour.
        idPass_.bindMeshColour(context, hashMeshKey(key));
    } catch (...) {
        // Only remembering a mesh or the first compile can fail (memory); the
        // game's draw goes ahead unchanged.
    }
}
