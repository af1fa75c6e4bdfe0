#pragma once
// A stand-in Direct3D 11 device and immediate context for tests and
// benchmarks. The context keeps what the ID pass reads and writes (vertex
// buffers, the index buffer, pixel-shader constant buffers and the pixel
// shader) with the reference counting of the real one: every Get hands out a
// reference, every Set holds one. Nothing is drawn; draws are counted.
// The objects have the method tables of the real interfaces (built against
// the real d3d11.h on Windows), so they can be called through slot numbers.

#include "sim_context.h"
#include "sim_object.h"

#include <d3d11.h>

#include <cstdint>
#include <vector>

class SimDevice;

class SimBuffer final : public simd3d::Object<ID3D11Buffer> {
public:
    SimBuffer(SimDevice* device, const D3D11_BUFFER_DESC& desc) : device_(device), desc_(desc) {}

    void STDMETHODCALLTYPE GetDevice(ID3D11Device** device) override;
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, UINT*, void*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, UINT, const void*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID, const IUnknown*) override {
        return E_NOTIMPL;
    }
    void STDMETHODCALLTYPE GetType(D3D11_RESOURCE_DIMENSION* dimension) override {
        *dimension = D3D11_RESOURCE_DIMENSION_BUFFER;
    }
    void STDMETHODCALLTYPE SetEvictionPriority(UINT) override {}
    UINT STDMETHODCALLTYPE GetEvictionPriority() override { return 0; }
    void STDMETHODCALLTYPE GetDesc(D3D11_BUFFER_DESC* desc) override;

private:
    SimDevice* device_;
    D3D11_BUFFER_DESC desc_;
};

class SimPixelShader final : public simd3d::Object<ID3D11PixelShader> {
public:
    SimPixelShader(SimDevice* device, const void* code, SIZE_T size)
        : device_(device), bytecode_(static_cast<const std::uint8_t*>(code),
                                     static_cast<const std::uint8_t*>(code) + size) {}

    void STDMETHODCALLTYPE GetDevice(ID3D11Device** device) override;
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, UINT*, void*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, UINT, const void*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID, const IUnknown*) override {
        return E_NOTIMPL;
    }

    // What CreatePixelShader was given: the same source compiles to the same bytes.
    const std::vector<std::uint8_t>& bytecode() const { return bytecode_; }

private:
    SimDevice* device_;
    std::vector<std::uint8_t> bytecode_;
};

// The bytecode of a stand-in pixel shader, or nothing for a null pointer.
std::vector<std::uint8_t> simShaderBytecode(ID3D11PixelShader* shader);

// Creates a device and its immediate context, one reference each for the
// caller. The context holds a reference to the device.
void createSimDevice(ID3D11Device** device, ID3D11DeviceContext** context);

// Creates a buffer of the given size on a stand-in device.
ID3D11Buffer* createSimBuffer(ID3D11Device* device, UINT byteWidth, UINT bindFlags);

class SimDevice final
    : public simd3d::Object<simd3d::LaterMethods<ID3D11Device, simd3d::laterDeviceMethods>> {
public:
    // From now on CreatePixelShader answers `result` and creates nothing
    // (S_OK restores the normal behaviour).
    void failPixelShaders(HRESULT result) { pixelShaderFailure_.store(result); }
    std::size_t pixelShadersCreated() const { return pixelShadersCreated_.load(); }

    HRESULT STDMETHODCALLTYPE CreateBuffer(const D3D11_BUFFER_DESC* desc,
                                           const D3D11_SUBRESOURCE_DATA* initialData,
                                           ID3D11Buffer** buffer) override;
    HRESULT STDMETHODCALLTYPE CreateTexture1D(const D3D11_TEXTURE1D_DESC*,
                                              const D3D11_SUBRESOURCE_DATA*,
                                              ID3D11Texture1D** out) override;
    HRESULT STDMETHODCALLTYPE CreateTexture2D(const D3D11_TEXTURE2D_DESC*,
                                              const D3D11_SUBRESOURCE_DATA*,
                                              ID3D11Texture2D** out) override;
    HRESULT STDMETHODCALLTYPE CreateTexture3D(const D3D11_TEXTURE3D_DESC*,
                                              const D3D11_SUBRESOURCE_DATA*,
                                              ID3D11Texture3D** out) override;
    HRESULT STDMETHODCALLTYPE CreateShaderResourceView(ID3D11Resource*,
                                                       const D3D11_SHADER_RESOURCE_VIEW_DESC*,
                                                       ID3D11ShaderResourceView** out) override;
    HRESULT STDMETHODCALLTYPE CreateUnorderedAccessView(ID3D11Resource*,
                                                        const D3D11_UNORDERED_ACCESS_VIEW_DESC*,
                                                        ID3D11UnorderedAccessView** out) override;
    HRESULT STDMETHODCALLTYPE CreateRenderTargetView(ID3D11Resource*,
                                                     const D3D11_RENDER_TARGET_VIEW_DESC*,
                                                     ID3D11RenderTargetView** out) override;
    HRESULT STDMETHODCALLTYPE CreateDepthStencilView(ID3D11Resource*,
                                                     const D3D11_DEPTH_STENCIL_VIEW_DESC*,
                                                     ID3D11DepthStencilView** out) override;
    HRESULT STDMETHODCALLTYPE CreateInputLayout(const D3D11_INPUT_ELEMENT_DESC*, UINT, const void*,
                                                SIZE_T, ID3D11InputLayout** out) override;
    HRESULT STDMETHODCALLTYPE CreateVertexShader(const void*, SIZE_T, ID3D11ClassLinkage*,
                                                 ID3D11VertexShader** out) override;
    HRESULT STDMETHODCALLTYPE CreateGeometryShader(const void*, SIZE_T, ID3D11ClassLinkage*,
                                                   ID3D11GeometryShader** out) override;
    HRESULT STDMETHODCALLTYPE CreateGeometryShaderWithStreamOutput(
        const void*, SIZE_T, const D3D11_SO_DECLARATION_ENTRY*, UINT, const UINT*, UINT, UINT,
        ID3D11ClassLinkage*, ID3D11GeometryShader** out) override;
    HRESULT STDMETHODCALLTYPE CreatePixelShader(const void* code, SIZE_T size,
                                                ID3D11ClassLinkage* linkage,
                                                ID3D11PixelShader** shader) override;
    HRESULT STDMETHODCALLTYPE CreateHullShader(const void*, SIZE_T, ID3D11ClassLinkage*,
                                               ID3D11HullShader** out) override;
    HRESULT STDMETHODCALLTYPE CreateDomainShader(const void*, SIZE_T, ID3D11ClassLinkage*,
                                                 ID3D11DomainShader** out) override;
    HRESULT STDMETHODCALLTYPE CreateComputeShader(const void*, SIZE_T, ID3D11ClassLinkage*,
                                                  ID3D11ComputeShader** out) override;
    HRESULT STDMETHODCALLTYPE CreateClassLinkage(ID3D11ClassLinkage** out) override;
    HRESULT STDMETHODCALLTYPE CreateBlendState(const D3D11_BLEND_DESC*,
                                               ID3D11BlendState** out) override;
    HRESULT STDMETHODCALLTYPE CreateDepthStencilState(const D3D11_DEPTH_STENCIL_DESC*,
                                                      ID3D11DepthStencilState** out) override;
    HRESULT STDMETHODCALLTYPE CreateRasterizerState(const D3D11_RASTERIZER_DESC*,
                                                    ID3D11RasterizerState** out) override;
    HRESULT STDMETHODCALLTYPE CreateSamplerState(const D3D11_SAMPLER_DESC*,
                                                 ID3D11SamplerState** out) override;
    HRESULT STDMETHODCALLTYPE CreateQuery(const D3D11_QUERY_DESC*, ID3D11Query** out) override;
    HRESULT STDMETHODCALLTYPE CreatePredicate(const D3D11_QUERY_DESC*,
                                              ID3D11Predicate** out) override;
    HRESULT STDMETHODCALLTYPE CreateCounter(const D3D11_COUNTER_DESC*,
                                            ID3D11Counter** out) override;
    HRESULT STDMETHODCALLTYPE CreateDeferredContext(UINT, ID3D11DeviceContext** out) override;
    HRESULT STDMETHODCALLTYPE OpenSharedResource(HANDLE, REFIID, void** out) override;
    HRESULT STDMETHODCALLTYPE CheckFormatSupport(DXGI_FORMAT, UINT* support) override;
    HRESULT STDMETHODCALLTYPE CheckMultisampleQualityLevels(DXGI_FORMAT, UINT,
                                                            UINT* levels) override;
    void STDMETHODCALLTYPE CheckCounterInfo(D3D11_COUNTER_INFO*) override {}
    HRESULT STDMETHODCALLTYPE CheckCounter(const D3D11_COUNTER_DESC*, D3D11_COUNTER_TYPE*, UINT*,
                                           LPSTR, UINT*, LPSTR, UINT*, LPSTR, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CheckFeatureSupport(D3D11_FEATURE, void*, UINT) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, UINT*, void*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, UINT, const void*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID, const IUnknown*) override {
        return E_NOTIMPL;
    }
    D3D_FEATURE_LEVEL STDMETHODCALLTYPE GetFeatureLevel() override {
        return D3D_FEATURE_LEVEL_11_0;
    }
    UINT STDMETHODCALLTYPE GetCreationFlags() override { return 0; }
    HRESULT STDMETHODCALLTYPE GetDeviceRemovedReason() override { return S_OK; }
    void STDMETHODCALLTYPE GetImmediateContext(ID3D11DeviceContext** context) override;
    HRESULT STDMETHODCALLTYPE SetExceptionMode(UINT) override { return S_OK; }
    UINT STDMETHODCALLTYPE GetExceptionMode() override { return 0; }

private:
    friend void createSimDevice(ID3D11Device**, ID3D11DeviceContext**);
    // The context holds the device, not the other way round, so that the two
    // can go; the device only knows where its context is.
    SimDeviceContext* immediate_ = nullptr;
    std::atomic<HRESULT> pixelShaderFailure_{S_OK};
    std::atomic<std::size_t> pixelShadersCreated_{0};
};
