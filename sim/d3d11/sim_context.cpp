// The state-keeping methods of the stand-in immediate context.
#include "sim_d3d11.h"

#include <thread>

SimDeviceContext::SimDeviceContext(SimDevice* device) : device_(device) {
    // The context keeps its device; the caller's reference on the device
    // stays the caller's.
    device_->AddRef();
}

void SimDeviceContext::finalRelease() {
    ClearState();
    device_->Release();
}

void SimDeviceContext::GetDevice(ID3D11Device** device) {
    *device = simd3d::share<ID3D11Device>(device_);
}

void SimDeviceContext::PSSetShader(ID3D11PixelShader* shader, ID3D11ClassInstance* const*, UINT) {
    if (slowBinds_.load())
        std::this_thread::yield();
    // Holding the new shader takes a reference: binding a released shader
    // shows up as a misuse.
    simd3d::hold(pixelShader_, shader);
    ++pixelShaderSets_;
}

void SimDeviceContext::PSGetShader(ID3D11PixelShader** shader, ID3D11ClassInstance** instances,
                                   UINT* instanceCount) {
    *shader = simd3d::share(pixelShader_);
    if (instances && instanceCount && *instanceCount > 0)
        none(instances, *instanceCount);
    if (instanceCount)
        *instanceCount = 0;
}

void SimDeviceContext::PSSetConstantBuffers(UINT start, UINT count, ID3D11Buffer* const* buffers) {
    for (UINT i = 0; i < count && start + i < constantSlots; ++i)
        simd3d::hold(psConstantBuffers_[start + i], buffers ? buffers[i] : nullptr);
}

void SimDeviceContext::PSGetConstantBuffers(UINT start, UINT count, ID3D11Buffer** buffers) {
    for (UINT i = 0; i < count; ++i)
        buffers[i] =
            start + i < constantSlots ? simd3d::share(psConstantBuffers_[start + i]) : nullptr;
}

void SimDeviceContext::IASetVertexBuffers(UINT start, UINT count, ID3D11Buffer* const* buffers,
                                          const UINT* strides, const UINT* offsets) {
    for (UINT i = 0; i < count && start + i < vertexSlots; ++i) {
        simd3d::hold(vertexBuffers_[start + i], buffers ? buffers[i] : nullptr);
        strides_[start + i] = strides ? strides[i] : 0;
        offsets_[start + i] = offsets ? offsets[i] : 0;
    }
}

void SimDeviceContext::IAGetVertexBuffers(UINT start, UINT count, ID3D11Buffer** buffers,
                                          UINT* strides, UINT* offsets) {
    for (UINT i = 0; i < count; ++i) {
        const bool kept = start + i < vertexSlots;
        if (buffers)
            buffers[i] = kept ? simd3d::share(vertexBuffers_[start + i]) : nullptr;
        if (strides)
            strides[i] = kept ? strides_[start + i] : 0;
        if (offsets)
            offsets[i] = kept ? offsets_[start + i] : 0;
    }
}

void SimDeviceContext::IASetIndexBuffer(ID3D11Buffer* buffer, DXGI_FORMAT format, UINT offset) {
    simd3d::hold(indexBuffer_, buffer);
    indexFormat_ = format;
    indexOffset_ = offset;
}

void SimDeviceContext::IAGetIndexBuffer(ID3D11Buffer** buffer, DXGI_FORMAT* format, UINT* offset) {
    if (buffer)
        *buffer = simd3d::share(indexBuffer_);
    if (format)
        *format = indexFormat_;
    if (offset)
        *offset = indexOffset_;
}

void SimDeviceContext::ClearState() {
    for (UINT slot = 0; slot < vertexSlots; ++slot) {
        simd3d::hold<ID3D11Buffer>(vertexBuffers_[slot], nullptr);
        strides_[slot] = 0;
        offsets_[slot] = 0;
    }
    IASetIndexBuffer(nullptr, DXGI_FORMAT_UNKNOWN, 0);
    for (auto& buffer : psConstantBuffers_)
        simd3d::hold<ID3D11Buffer>(buffer, nullptr);
    simd3d::hold<ID3D11PixelShader>(pixelShader_, nullptr);
}
