// The stand-in device, its buffers and pixel shaders.
#include "sim_d3d11.h"

namespace {

template <typename T> HRESULT notMade(T** out) {
    if (out)
        *out = nullptr;
    return E_NOTIMPL;
}

} // namespace

void createSimDevice(ID3D11Device** device, ID3D11DeviceContext** context) {
    SimDevice* created = simd3d::make<SimDevice>();
    created->immediate_ = simd3d::make<SimDeviceContext>(created);
    *device = created;
    *context = created->immediate_;
}

ID3D11Buffer* createSimBuffer(ID3D11Device* device, UINT byteWidth, UINT bindFlags) {
    D3D11_BUFFER_DESC desc{};
    desc.ByteWidth = byteWidth;
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = bindFlags;
    ID3D11Buffer* buffer = nullptr;
    device->CreateBuffer(&desc, nullptr, &buffer);
    return buffer;
}

std::vector<std::uint8_t> simShaderBytecode(ID3D11PixelShader* shader) {
    if (!shader)
        return {};
    return static_cast<SimPixelShader*>(shader)->bytecode();
}

void SimBuffer::GetDevice(ID3D11Device** device) {
    *device = simd3d::share<ID3D11Device>(device_);
}

void SimBuffer::GetDesc(D3D11_BUFFER_DESC* desc) {
    if (!alive())
        simd3d::noteMisuse("GetDesc of a released buffer");
    *desc = desc_;
}

void SimPixelShader::GetDevice(ID3D11Device** device) {
    *device = simd3d::share<ID3D11Device>(device_);
}

HRESULT SimDevice::CreateBuffer(const D3D11_BUFFER_DESC* desc, const D3D11_SUBRESOURCE_DATA*,
                                ID3D11Buffer** buffer) {
    if (!desc || desc->ByteWidth == 0)
        return E_INVALIDARG;
    if (!buffer)
        return S_OK; // Direct3D's "would it work" call
    *buffer = simd3d::make<SimBuffer>(this, *desc);
    return S_OK;
}

HRESULT SimDevice::CreatePixelShader(const void* code, SIZE_T size, ID3D11ClassLinkage*,
                                     ID3D11PixelShader** shader) {
    if (const HRESULT failure = pixelShaderFailure_.load(); FAILED(failure)) {
        if (shader)
            *shader = nullptr;
        return failure;
    }
    if (!code || size == 0)
        return E_INVALIDARG;
    if (!shader)
        return S_OK;
    *shader = simd3d::make<SimPixelShader>(this, code, size);
    ++pixelShadersCreated_;
    return S_OK;
}

void SimDevice::GetImmediateContext(ID3D11DeviceContext** context) {
    *context = simd3d::share<ID3D11DeviceContext>(immediate_);
}

HRESULT SimDevice::CreateTexture1D(const D3D11_TEXTURE1D_DESC*, const D3D11_SUBRESOURCE_DATA*,
                                   ID3D11Texture1D** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateTexture2D(const D3D11_TEXTURE2D_DESC*, const D3D11_SUBRESOURCE_DATA*,
                                   ID3D11Texture2D** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateTexture3D(const D3D11_TEXTURE3D_DESC*, const D3D11_SUBRESOURCE_DATA*,
                                   ID3D11Texture3D** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateShaderResourceView(ID3D11Resource*, const D3D11_SHADER_RESOURCE_VIEW_DESC*,
                                            ID3D11ShaderResourceView** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateUnorderedAccessView(ID3D11Resource*,
                                             const D3D11_UNORDERED_ACCESS_VIEW_DESC*,
                                             ID3D11UnorderedAccessView** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateRenderTargetView(ID3D11Resource*, const D3D11_RENDER_TARGET_VIEW_DESC*,
                                          ID3D11RenderTargetView** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateDepthStencilView(ID3D11Resource*, const D3D11_DEPTH_STENCIL_VIEW_DESC*,
                                          ID3D11DepthStencilView** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateInputLayout(const D3D11_INPUT_ELEMENT_DESC*, UINT, const void*, SIZE_T,
                                     ID3D11InputLayout** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateVertexShader(const void*, SIZE_T, ID3D11ClassLinkage*,
                                      ID3D11VertexShader** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateGeometryShader(const void*, SIZE_T, ID3D11ClassLinkage*,
                                        ID3D11GeometryShader** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateGeometryShaderWithStreamOutput(const void*, SIZE_T,
                                                        const D3D11_SO_DECLARATION_ENTRY*, UINT,
                                                        const UINT*, UINT, UINT,
                                                        ID3D11ClassLinkage*,
                                                        ID3D11GeometryShader** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateHullShader(const void*, SIZE_T, ID3D11ClassLinkage*,
                                    ID3D11HullShader** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateDomainShader(const void*, SIZE_T, ID3D11ClassLinkage*,
                                      ID3D11DomainShader** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateComputeShader(const void*, SIZE_T, ID3D11ClassLinkage*,
                                       ID3D11ComputeShader** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateClassLinkage(ID3D11ClassLinkage** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateBlendState(const D3D11_BLEND_DESC*, ID3D11BlendState** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateDepthStencilState(const D3D11_DEPTH_STENCIL_DESC*,
                                           ID3D11DepthStencilState** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateRasterizerState(const D3D11_RASTERIZER_DESC*,
                                         ID3D11RasterizerState** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateSamplerState(const D3D11_SAMPLER_DESC*, ID3D11SamplerState** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateQuery(const D3D11_QUERY_DESC*, ID3D11Query** out) {
    return notMade(out);
}
HRESULT SimDevice::CreatePredicate(const D3D11_QUERY_DESC*, ID3D11Predicate** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateCounter(const D3D11_COUNTER_DESC*, ID3D11Counter** out) {
    return notMade(out);
}
HRESULT SimDevice::CreateDeferredContext(UINT, ID3D11DeviceContext** out) {
    return notMade(out);
}
HRESULT SimDevice::OpenSharedResource(HANDLE, REFIID, void** out) {
    return notMade(out);
}
HRESULT SimDevice::CheckFormatSupport(DXGI_FORMAT, UINT* support) {
    *support = 0;
    return E_NOTIMPL;
}
HRESULT SimDevice::CheckMultisampleQualityLevels(DXGI_FORMAT, UINT, UINT* levels) {
    *levels = 0;
    return E_NOTIMPL;
}
