#pragma once
// The stand-in immediate context (see sim_d3d11.h). Only the state that the
// ID pass touches is kept; every other method does nothing, and its getters
// hand out nothing.

#include "sim_later_methods.h"
#include "sim_object.h"

#include <d3d11.h>

#include <array>
#include <atomic>

class SimDevice;

class SimDeviceContext final
    : public simd3d::Object<
          simd3d::LaterMethods<ID3D11DeviceContext, simd3d::laterContextMethods>> {
public:
    explicit SimDeviceContext(SimDevice* device);

    // What the game has bound, as the context holds it (no reference added).
    ID3D11PixelShader* boundPixelShader() const { return pixelShader_; }
    std::size_t pixelShaderSets() const { return pixelShaderSets_.load(); }
    std::size_t drawIndexedCalls() const { return drawIndexedCalls_.load(); }
    // Lets other threads run inside PSSetShader before it takes its reference,
    // as a busy driver would: a caller that binds a shader it holds no
    // reference to is then caught far more often.
    void slowBinds(bool slow) { slowBinds_.store(slow); }

    // ID3D11DeviceChild
    void STDMETHODCALLTYPE GetDevice(ID3D11Device** device) override;
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, UINT*, void*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, UINT, const void*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID, const IUnknown*) override {
        return E_NOTIMPL;
    }

    // The state that is kept.
    void STDMETHODCALLTYPE PSSetShader(ID3D11PixelShader* shader, ID3D11ClassInstance* const*,
                                       UINT) override;
    void STDMETHODCALLTYPE PSGetShader(ID3D11PixelShader** shader, ID3D11ClassInstance** instances,
                                       UINT* instanceCount) override;
    void STDMETHODCALLTYPE DrawIndexed(UINT, UINT, INT) override { ++drawIndexedCalls_; }
    void STDMETHODCALLTYPE PSSetConstantBuffers(UINT start, UINT count,
                                                ID3D11Buffer* const* buffers) override;
    void STDMETHODCALLTYPE PSGetConstantBuffers(UINT start, UINT count,
                                                ID3D11Buffer** buffers) override;
    void STDMETHODCALLTYPE IASetVertexBuffers(UINT start, UINT count, ID3D11Buffer* const* buffers,
                                              const UINT* strides, const UINT* offsets) override;
    void STDMETHODCALLTYPE IAGetVertexBuffers(UINT start, UINT count, ID3D11Buffer** buffers,
                                              UINT* strides, UINT* offsets) override;
    void STDMETHODCALLTYPE IASetIndexBuffer(ID3D11Buffer* buffer, DXGI_FORMAT format,
                                            UINT offset) override;
    void STDMETHODCALLTYPE IAGetIndexBuffer(ID3D11Buffer** buffer, DXGI_FORMAT* format,
                                            UINT* offset) override;
    void STDMETHODCALLTYPE ClearState() override;

    // Everything else.
    void STDMETHODCALLTYPE VSSetConstantBuffers(UINT, UINT, ID3D11Buffer* const*) override {}
    void STDMETHODCALLTYPE PSSetShaderResources(UINT, UINT,
                                                ID3D11ShaderResourceView* const*) override {}
    void STDMETHODCALLTYPE PSSetSamplers(UINT, UINT, ID3D11SamplerState* const*) override {}
    void STDMETHODCALLTYPE VSSetShader(ID3D11VertexShader*, ID3D11ClassInstance* const*,
                                       UINT) override {}
    void STDMETHODCALLTYPE Draw(UINT, UINT) override {}
    HRESULT STDMETHODCALLTYPE Map(ID3D11Resource*, UINT, D3D11_MAP, UINT,
                                  D3D11_MAPPED_SUBRESOURCE*) override {
        return E_NOTIMPL;
    }
    void STDMETHODCALLTYPE Unmap(ID3D11Resource*, UINT) override {}
    void STDMETHODCALLTYPE IASetInputLayout(ID3D11InputLayout*) override {}
    void STDMETHODCALLTYPE DrawIndexedInstanced(UINT, UINT, UINT, INT, UINT) override {}
    void STDMETHODCALLTYPE DrawInstanced(UINT, UINT, UINT, UINT) override {}
    void STDMETHODCALLTYPE GSSetConstantBuffers(UINT, UINT, ID3D11Buffer* const*) override {}
    void STDMETHODCALLTYPE GSSetShader(ID3D11GeometryShader*, ID3D11ClassInstance* const*,
                                       UINT) override {}
    void STDMETHODCALLTYPE IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY) override {}
    void STDMETHODCALLTYPE VSSetShaderResources(UINT, UINT,
                                                ID3D11ShaderResourceView* const*) override {}
    void STDMETHODCALLTYPE VSSetSamplers(UINT, UINT, ID3D11SamplerState* const*) override {}
    void STDMETHODCALLTYPE Begin(ID3D11Asynchronous*) override {}
    void STDMETHODCALLTYPE End(ID3D11Asynchronous*) override {}
    HRESULT STDMETHODCALLTYPE GetData(ID3D11Asynchronous*, void*, UINT, UINT) override {
        return E_NOTIMPL;
    }
    void STDMETHODCALLTYPE SetPredication(ID3D11Predicate*, BOOL) override {}
    void STDMETHODCALLTYPE GSSetShaderResources(UINT, UINT,
                                                ID3D11ShaderResourceView* const*) override {}
    void STDMETHODCALLTYPE GSSetSamplers(UINT, UINT, ID3D11SamplerState* const*) override {}
    void STDMETHODCALLTYPE OMSetRenderTargets(UINT, ID3D11RenderTargetView* const*,
                                              ID3D11DepthStencilView*) override {}
    void STDMETHODCALLTYPE OMSetRenderTargetsAndUnorderedAccessViews(
        UINT, ID3D11RenderTargetView* const*, ID3D11DepthStencilView*, UINT, UINT,
        ID3D11UnorderedAccessView* const*, const UINT*) override {}
    void STDMETHODCALLTYPE OMSetBlendState(ID3D11BlendState*, const FLOAT[4], UINT) override {}
    void STDMETHODCALLTYPE OMSetDepthStencilState(ID3D11DepthStencilState*, UINT) override {}
    void STDMETHODCALLTYPE SOSetTargets(UINT, ID3D11Buffer* const*, const UINT*) override {}
    void STDMETHODCALLTYPE DrawAuto() override {}
    void STDMETHODCALLTYPE DrawIndexedInstancedIndirect(ID3D11Buffer*, UINT) override {}
    void STDMETHODCALLTYPE DrawInstancedIndirect(ID3D11Buffer*, UINT) override {}
    void STDMETHODCALLTYPE Dispatch(UINT, UINT, UINT) override {}
    void STDMETHODCALLTYPE DispatchIndirect(ID3D11Buffer*, UINT) override {}
    void STDMETHODCALLTYPE RSSetState(ID3D11RasterizerState*) override {}
    void STDMETHODCALLTYPE RSSetViewports(UINT, const D3D11_VIEWPORT*) override {}
    void STDMETHODCALLTYPE RSSetScissorRects(UINT, const D3D11_RECT*) override {}
    void STDMETHODCALLTYPE CopySubresourceRegion(ID3D11Resource*, UINT, UINT, UINT, UINT,
                                                 ID3D11Resource*, UINT, const D3D11_BOX*) override {
    }
    void STDMETHODCALLTYPE CopyResource(ID3D11Resource*, ID3D11Resource*) override {}
    void STDMETHODCALLTYPE UpdateSubresource(ID3D11Resource*, UINT, const D3D11_BOX*, const void*,
                                             UINT, UINT) override {}
    void STDMETHODCALLTYPE CopyStructureCount(ID3D11Buffer*, UINT,
                                              ID3D11UnorderedAccessView*) override {}
    void STDMETHODCALLTYPE ClearRenderTargetView(ID3D11RenderTargetView*, const FLOAT[4]) override {
    }
    void STDMETHODCALLTYPE ClearUnorderedAccessViewUint(ID3D11UnorderedAccessView*,
                                                        const UINT[4]) override {}
    void STDMETHODCALLTYPE ClearUnorderedAccessViewFloat(ID3D11UnorderedAccessView*,
                                                         const FLOAT[4]) override {}
    void STDMETHODCALLTYPE ClearDepthStencilView(ID3D11DepthStencilView*, UINT, FLOAT,
                                                 UINT8) override {}
    void STDMETHODCALLTYPE GenerateMips(ID3D11ShaderResourceView*) override {}
    void STDMETHODCALLTYPE SetResourceMinLOD(ID3D11Resource*, FLOAT) override {}
    FLOAT STDMETHODCALLTYPE GetResourceMinLOD(ID3D11Resource*) override { return 0.0f; }
    void STDMETHODCALLTYPE ResolveSubresource(ID3D11Resource*, UINT, ID3D11Resource*, UINT,
                                              DXGI_FORMAT) override {}
    void STDMETHODCALLTYPE ExecuteCommandList(ID3D11CommandList*, BOOL) override {}
    void STDMETHODCALLTYPE HSSetShaderResources(UINT, UINT,
                                                ID3D11ShaderResourceView* const*) override {}
    void STDMETHODCALLTYPE HSSetShader(ID3D11HullShader*, ID3D11ClassInstance* const*,
                                       UINT) override {}
    void STDMETHODCALLTYPE HSSetSamplers(UINT, UINT, ID3D11SamplerState* const*) override {}
    void STDMETHODCALLTYPE HSSetConstantBuffers(UINT, UINT, ID3D11Buffer* const*) override {}
    void STDMETHODCALLTYPE DSSetShaderResources(UINT, UINT,
                                                ID3D11ShaderResourceView* const*) override {}
    void STDMETHODCALLTYPE DSSetShader(ID3D11DomainShader*, ID3D11ClassInstance* const*,
                                       UINT) override {}
    void STDMETHODCALLTYPE DSSetSamplers(UINT, UINT, ID3D11SamplerState* const*) override {}
    void STDMETHODCALLTYPE DSSetConstantBuffers(UINT, UINT, ID3D11Buffer* const*) override {}
    void STDMETHODCALLTYPE CSSetShaderResources(UINT, UINT,
                                                ID3D11ShaderResourceView* const*) override {}
    void STDMETHODCALLTYPE CSSetUnorderedAccessViews(UINT, UINT, ID3D11UnorderedAccessView* const*,
                                                     const UINT*) override {}
    void STDMETHODCALLTYPE CSSetShader(ID3D11ComputeShader*, ID3D11ClassInstance* const*,
                                       UINT) override {}
    void STDMETHODCALLTYPE CSSetSamplers(UINT, UINT, ID3D11SamplerState* const*) override {}
    void STDMETHODCALLTYPE CSSetConstantBuffers(UINT, UINT, ID3D11Buffer* const*) override {}
    void STDMETHODCALLTYPE VSGetConstantBuffers(UINT, UINT count, ID3D11Buffer** out) override {
        none(out, count);
    }
    void STDMETHODCALLTYPE PSGetShaderResources(UINT, UINT count,
                                                ID3D11ShaderResourceView** out) override {
        none(out, count);
    }
    void STDMETHODCALLTYPE PSGetSamplers(UINT, UINT count, ID3D11SamplerState** out) override {
        none(out, count);
    }
    void STDMETHODCALLTYPE VSGetShader(ID3D11VertexShader** out, ID3D11ClassInstance**,
                                       UINT* count) override {
        none(out, 1);
        if (count)
            *count = 0;
    }
    void STDMETHODCALLTYPE IAGetInputLayout(ID3D11InputLayout** out) override { none(out, 1); }
    void STDMETHODCALLTYPE GSGetConstantBuffers(UINT, UINT count, ID3D11Buffer** out) override {
        none(out, count);
    }
    void STDMETHODCALLTYPE GSGetShader(ID3D11GeometryShader** out, ID3D11ClassInstance**,
                                       UINT* count) override {
        none(out, 1);
        if (count)
            *count = 0;
    }
    void STDMETHODCALLTYPE IAGetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY* topology) override {
        *topology = D3D11_PRIMITIVE_TOPOLOGY_UNDEFINED;
    }
    void STDMETHODCALLTYPE VSGetShaderResources(UINT, UINT count,
                                                ID3D11ShaderResourceView** out) override {
        none(out, count);
    }
    void STDMETHODCALLTYPE VSGetSamplers(UINT, UINT count, ID3D11SamplerState** out) override {
        none(out, count);
    }
    void STDMETHODCALLTYPE GetPredication(ID3D11Predicate** out, BOOL*) override { none(out, 1); }
    void STDMETHODCALLTYPE GSGetShaderResources(UINT, UINT count,
                                                ID3D11ShaderResourceView** out) override {
        none(out, count);
    }
    void STDMETHODCALLTYPE GSGetSamplers(UINT, UINT count, ID3D11SamplerState** out) override {
        none(out, count);
    }
    void STDMETHODCALLTYPE OMGetRenderTargets(UINT count, ID3D11RenderTargetView** out,
                                              ID3D11DepthStencilView** depth) override {
        none(out, count);
        none(depth, 1);
    }
    void STDMETHODCALLTYPE OMGetRenderTargetsAndUnorderedAccessViews(
        UINT count, ID3D11RenderTargetView** out, ID3D11DepthStencilView** depth, UINT,
        UINT uavCount, ID3D11UnorderedAccessView** uavs) override {
        none(out, count);
        none(depth, 1);
        none(uavs, uavCount);
    }
    void STDMETHODCALLTYPE OMGetBlendState(ID3D11BlendState** out, FLOAT[4], UINT*) override {
        none(out, 1);
    }
    void STDMETHODCALLTYPE OMGetDepthStencilState(ID3D11DepthStencilState** out, UINT*) override {
        none(out, 1);
    }
    void STDMETHODCALLTYPE SOGetTargets(UINT count, ID3D11Buffer** out) override {
        none(out, count);
    }
    void STDMETHODCALLTYPE RSGetState(ID3D11RasterizerState** out) override { none(out, 1); }
    void STDMETHODCALLTYPE RSGetViewports(UINT* count, D3D11_VIEWPORT*) override { *count = 0; }
    void STDMETHODCALLTYPE RSGetScissorRects(UINT* count, D3D11_RECT*) override { *count = 0; }
    void STDMETHODCALLTYPE HSGetShaderResources(UINT, UINT count,
                                                ID3D11ShaderResourceView** out) override {
        none(out, count);
    }
    void STDMETHODCALLTYPE HSGetShader(ID3D11HullShader** out, ID3D11ClassInstance**,
                                       UINT* count) override {
        none(out, 1);
        if (count)
            *count = 0;
    }
    void STDMETHODCALLTYPE HSGetSamplers(UINT, UINT count, ID3D11SamplerState** out) override {
        none(out, count);
    }
    void STDMETHODCALLTYPE HSGetConstantBuffers(UINT, UINT count, ID3D11Buffer** out) override {
        none(out, count);
    }
    void STDMETHODCALLTYPE DSGetShaderResources(UINT, UINT count,
                                                ID3D11ShaderResourceView** out) override {
        none(out, count);
    }
    void STDMETHODCALLTYPE DSGetShader(ID3D11DomainShader** out, ID3D11ClassInstance**,
                                       UINT* count) override {
        none(out, 1);
        if (count)
            *count = 0;
    }
    void STDMETHODCALLTYPE DSGetSamplers(UINT, UINT count, ID3D11SamplerState** out) override {
        none(out, count);
    }
    void STDMETHODCALLTYPE DSGetConstantBuffers(UINT, UINT count, ID3D11Buffer** out) override {
        none(out, count);
    }
    void STDMETHODCALLTYPE CSGetShaderResources(UINT, UINT count,
                                                ID3D11ShaderResourceView** out) override {
        none(out, count);
    }
    void STDMETHODCALLTYPE CSGetUnorderedAccessViews(UINT, UINT count,
                                                     ID3D11UnorderedAccessView** out) override {
        none(out, count);
    }
    void STDMETHODCALLTYPE CSGetShader(ID3D11ComputeShader** out, ID3D11ClassInstance**,
                                       UINT* count) override {
        none(out, 1);
        if (count)
            *count = 0;
    }
    void STDMETHODCALLTYPE CSGetSamplers(UINT, UINT count, ID3D11SamplerState** out) override {
        none(out, count);
    }
    void STDMETHODCALLTYPE CSGetConstantBuffers(UINT, UINT count, ID3D11Buffer** out) override {
        none(out, count);
    }
    void STDMETHODCALLTYPE Flush() override {}
    D3D11_DEVICE_CONTEXT_TYPE STDMETHODCALLTYPE GetType() override {
        return D3D11_DEVICE_CONTEXT_IMMEDIATE;
    }
    UINT STDMETHODCALLTYPE GetContextFlags() override { return 0; }
    HRESULT STDMETHODCALLTYPE FinishCommandList(BOOL, ID3D11CommandList** out) override {
        none(out, 1);
        return E_NOTIMPL;
    }

protected:
    void finalRelease() override;

private:
    template <typename T> static void none(T** out, UINT count) {
        for (UINT i = 0; out && i < count; ++i)
            out[i] = nullptr;
    }

    // The input-assembler and pixel-shader slot counts of Direct3D 11.
    static constexpr UINT vertexSlots = 32;
    static constexpr UINT constantSlots = 14;

    SimDevice* device_;
    std::array<ID3D11Buffer*, vertexSlots> vertexBuffers_{};
    std::array<UINT, vertexSlots> strides_{};
    std::array<UINT, vertexSlots> offsets_{};
    ID3D11Buffer* indexBuffer_ = nullptr;
    DXGI_FORMAT indexFormat_ = DXGI_FORMAT_UNKNOWN;
    UINT indexOffset_ = 0;
    std::array<ID3D11Buffer*, constantSlots> psConstantBuffers_{};
    ID3D11PixelShader* pixelShader_ = nullptr;
    std::atomic<std::size_t> pixelShaderSets_{0};
    std::atomic<bool> slowBinds_{false};
    std::atomic<std::size_t> drawIndexedCalls_{0};
};
