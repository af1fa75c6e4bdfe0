#pragma once
// The Direct3D 11 interfaces that the plugin and its stand-ins touch, declared
// for systems without the Windows SDK. ID3D11Device and ID3D11DeviceContext
// are complete, with every method in the order of the real COM interfaces, so
// that an object built against these declarations has the same method table
// as a real one: DrawIndexed is method 12 of the context, counting
// QueryInterface as 0. Structures and interfaces that are only passed by
// pointer stay incomplete; enumerations carry the values in use.

#include "dxgi.h"
#include "unknwn.h"

enum D3D_DRIVER_TYPE : UINT {
    D3D_DRIVER_TYPE_UNKNOWN = 0,
    D3D_DRIVER_TYPE_HARDWARE = 1,
};

enum D3D_FEATURE_LEVEL : UINT {
    D3D_FEATURE_LEVEL_10_1 = 0xa100,
    D3D_FEATURE_LEVEL_11_0 = 0xb000,
};

enum D3D11_USAGE : UINT {
    D3D11_USAGE_DEFAULT = 0,
    D3D11_USAGE_IMMUTABLE = 1,
    D3D11_USAGE_DYNAMIC = 2,
    D3D11_USAGE_STAGING = 3,
};

enum D3D11_BIND_FLAG : UINT {
    D3D11_BIND_VERTEX_BUFFER = 0x1,
    D3D11_BIND_INDEX_BUFFER = 0x2,
    D3D11_BIND_CONSTANT_BUFFER = 0x4,
};

enum D3D11_RESOURCE_DIMENSION : UINT {
    D3D11_RESOURCE_DIMENSION_UNKNOWN = 0,
    D3D11_RESOURCE_DIMENSION_BUFFER = 1,
};

enum D3D11_MAP : UINT {
    D3D11_MAP_READ = 1,
    D3D11_MAP_WRITE = 2,
};

enum D3D11_PRIMITIVE_TOPOLOGY : UINT {
    D3D11_PRIMITIVE_TOPOLOGY_UNDEFINED = 0,
    D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST = 4,
};

enum D3D11_DEVICE_CONTEXT_TYPE : UINT {
    D3D11_DEVICE_CONTEXT_IMMEDIATE = 0,
    D3D11_DEVICE_CONTEXT_DEFERRED = 1,
};

enum D3D11_FEATURE : UINT {
    D3D11_FEATURE_THREADING = 0,
};

enum D3D11_COUNTER_TYPE : UINT {
    D3D11_COUNTER_TYPE_FLOAT32 = 0,
};

struct D3D11_BUFFER_DESC {
    UINT ByteWidth;
    D3D11_USAGE Usage;
    UINT BindFlags;
    UINT CPUAccessFlags;
    UINT MiscFlags;
    UINT StructureByteStride;
};

struct D3D11_SUBRESOURCE_DATA {
    const void* pSysMem;
    UINT SysMemPitch;
    UINT SysMemSlicePitch;
};

struct D3D11_BOX;
struct D3D11_RECT;
struct D3D11_VIEWPORT;
struct D3D11_MAPPED_SUBRESOURCE;
struct D3D11_TEXTURE1D_DESC;
struct D3D11_TEXTURE2D_DESC;
struct D3D11_TEXTURE3D_DESC;
struct D3D11_SHADER_RESOURCE_VIEW_DESC;
struct D3D11_UNORDERED_ACCESS_VIEW_DESC;
struct D3D11_RENDER_TARGET_VIEW_DESC;
struct D3D11_DEPTH_STENCIL_VIEW_DESC;
struct D3D11_INPUT_ELEMENT_DESC;
struct D3D11_SO_DECLARATION_ENTRY;
struct D3D11_BLEND_DESC;
struct D3D11_DEPTH_STENCIL_DESC;
struct D3D11_RASTERIZER_DESC;
struct D3D11_SAMPLER_DESC;
struct D3D11_QUERY_DESC;
struct D3D11_COUNTER_DESC;
struct D3D11_COUNTER_INFO;

struct ID3D11Device;
struct ID3D11Texture1D;
struct ID3D11Texture2D;
struct ID3D11Texture3D;
struct ID3D11ShaderResourceView;
struct ID3D11UnorderedAccessView;
struct ID3D11RenderTargetView;
struct ID3D11DepthStencilView;
struct ID3D11InputLayout;
struct ID3D11VertexShader;
struct ID3D11GeometryShader;
struct ID3D11HullShader;
struct ID3D11DomainShader;
struct ID3D11ComputeShader;
struct ID3D11ClassLinkage;
struct ID3D11ClassInstance;
struct ID3D11BlendState;
struct ID3D11DepthStencilState;
struct ID3D11RasterizerState;
struct ID3D11SamplerState;
struct ID3D11Asynchronous;
struct ID3D11Query;
struct ID3D11Predicate;
struct ID3D11Counter;
struct ID3D11CommandList;

struct ID3D11DeviceChild : public IUnknown {
    virtual void STDMETHODCALLTYPE GetDevice(ID3D11Device** ppDevice) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID guid, UINT* pDataSize,
                                                     void* pData) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID guid, UINT DataSize,
                                                     const void* pData) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID guid,
                                                              const IUnknown* pData) = 0;
};

struct ID3D11Resource : public ID3D11DeviceChild {
    virtual void STDMETHODCALLTYPE GetType(D3D11_RESOURCE_DIMENSION* pResourceDimension) = 0;
    virtual void STDMETHODCALLTYPE SetEvictionPriority(UINT EvictionPriority) = 0;
    virtual UINT STDMETHODCALLTYPE GetEvictionPriority() = 0;
};

struct ID3D11Buffer : public ID3D11Resource {
    virtual void STDMETHODCALLTYPE GetDesc(D3D11_BUFFER_DESC* pDesc) = 0;
};

struct ID3D11PixelShader : public ID3D11DeviceChild {};

struct ID3D11DeviceContext : public ID3D11DeviceChild {
    // 7
    virtual void STDMETHODCALLTYPE VSSetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                        ID3D11Buffer* const* ppConstantBuffers) = 0;
    virtual void STDMETHODCALLTYPE PSSetShaderResources(
        UINT StartSlot, UINT NumViews, ID3D11ShaderResourceView* const* ppShaderResourceViews) = 0;
    virtual void STDMETHODCALLTYPE PSSetShader(ID3D11PixelShader* pPixelShader,
                                               ID3D11ClassInstance* const* ppClassInstances,
                                               UINT NumClassInstances) = 0;
    virtual void STDMETHODCALLTYPE PSSetSamplers(UINT StartSlot, UINT NumSamplers,
                                                 ID3D11SamplerState* const* ppSamplers) = 0;
    virtual void STDMETHODCALLTYPE VSSetShader(ID3D11VertexShader* pVertexShader,
                                               ID3D11ClassInstance* const* ppClassInstances,
                                               UINT NumClassInstances) = 0;
    // 12
    virtual void STDMETHODCALLTYPE DrawIndexed(UINT IndexCount, UINT StartIndexLocation,
                                               INT BaseVertexLocation) = 0;
    virtual void STDMETHODCALLTYPE Draw(UINT VertexCount, UINT StartVertexLocation) = 0;
    virtual HRESULT STDMETHODCALLTYPE Map(ID3D11Resource* pResource, UINT Subresource,
                                          D3D11_MAP MapType, UINT MapFlags,
                                          D3D11_MAPPED_SUBRESOURCE* pMappedResource) = 0;
    virtual void STDMETHODCALLTYPE Unmap(ID3D11Resource* pResource, UINT Subresource) = 0;
    virtual void STDMETHODCALLTYPE PSSetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                        ID3D11Buffer* const* ppConstantBuffers) = 0;
    virtual void STDMETHODCALLTYPE IASetInputLayout(ID3D11InputLayout* pInputLayout) = 0;
    virtual void STDMETHODCALLTYPE IASetVertexBuffers(UINT StartSlot, UINT NumBuffers,
                                                      ID3D11Buffer* const* ppVertexBuffers,
                                                      const UINT* pStrides,
                                                      const UINT* pOffsets) = 0;
    virtual void STDMETHODCALLTYPE IASetIndexBuffer(ID3D11Buffer* pIndexBuffer, DXGI_FORMAT Format,
                                                    UINT Offset) = 0;
    virtual void STDMETHODCALLTYPE DrawIndexedInstanced(UINT IndexCountPerInstance,
                                                        UINT InstanceCount, UINT StartIndexLocation,
                                                        INT BaseVertexLocation,
                                                        UINT StartInstanceLocation) = 0;
    virtual void STDMETHODCALLTYPE DrawInstanced(UINT VertexCountPerInstance, UINT InstanceCount,
                                                 UINT StartVertexLocation,
                                                 UINT StartInstanceLocation) = 0;
    virtual void STDMETHODCALLTYPE GSSetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                        ID3D11Buffer* const* ppConstantBuffers) = 0;
    virtual void STDMETHODCALLTYPE GSSetShader(ID3D11GeometryShader* pShader,
                                               ID3D11ClassInstance* const* ppClassInstances,
                                               UINT NumClassInstances) = 0;
    virtual void STDMETHODCALLTYPE IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY Topology) = 0;
    virtual void STDMETHODCALLTYPE VSSetShaderResources(
        UINT StartSlot, UINT NumViews, ID3D11ShaderResourceView* const* ppShaderResourceViews) = 0;
    virtual void STDMETHODCALLTYPE VSSetSamplers(UINT StartSlot, UINT NumSamplers,
                                                 ID3D11SamplerState* const* ppSamplers) = 0;
    virtual void STDMETHODCALLTYPE Begin(ID3D11Asynchronous* pAsync) = 0;
    virtual void STDMETHODCALLTYPE End(ID3D11Asynchronous* pAsync) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetData(ID3D11Asynchronous* pAsync, void* pData,
                                              UINT DataSize, UINT GetDataFlags) = 0;
    virtual void STDMETHODCALLTYPE SetPredication(ID3D11Predicate* pPredicate,
                                                  BOOL PredicateValue) = 0;
    virtual void STDMETHODCALLTYPE GSSetShaderResources(
        UINT StartSlot, UINT NumViews, ID3D11ShaderResourceView* const* ppShaderResourceViews) = 0;
    virtual void STDMETHODCALLTYPE GSSetSamplers(UINT StartSlot, UINT NumSamplers,
                                                 ID3D11SamplerState* const* ppSamplers) = 0;
    virtual void STDMETHODCALLTYPE
    OMSetRenderTargets(UINT NumViews, ID3D11RenderTargetView* const* ppRenderTargetViews,
                       ID3D11DepthStencilView* pDepthStencilView) = 0;
    virtual void STDMETHODCALLTYPE OMSetRenderTargetsAndUnorderedAccessViews(
        UINT NumRTVs, ID3D11RenderTargetView* const* ppRenderTargetViews,
        ID3D11DepthStencilView* pDepthStencilView, UINT UAVStartSlot, UINT NumUAVs,
        ID3D11UnorderedAccessView* const* ppUnorderedAccessViews,
        const UINT* pUAVInitialCounts) = 0;
    virtual void STDMETHODCALLTYPE OMSetBlendState(ID3D11BlendState* pBlendState,
                                                   const FLOAT BlendFactor[4], UINT SampleMask) = 0;
    virtual void STDMETHODCALLTYPE
    OMSetDepthStencilState(ID3D11DepthStencilState* pDepthStencilState, UINT StencilRef) = 0;
    virtual void STDMETHODCALLTYPE SOSetTargets(UINT NumBuffers, ID3D11Buffer* const* ppSOTargets,
                                                const UINT* pOffsets) = 0;
    virtual void STDMETHODCALLTYPE DrawAuto() = 0;
    virtual void STDMETHODCALLTYPE DrawIndexedInstancedIndirect(ID3D11Buffer* pBufferForArgs,
                                                                UINT AlignedByteOffsetForArgs) = 0;
    virtual void STDMETHODCALLTYPE DrawInstancedIndirect(ID3D11Buffer* pBufferForArgs,
                                                         UINT AlignedByteOffsetForArgs) = 0;
    virtual void STDMETHODCALLTYPE Dispatch(UINT ThreadGroupCountX, UINT ThreadGroupCountY,
                                            UINT ThreadGroupCountZ) = 0;
    virtual void STDMETHODCALLTYPE DispatchIndirect(ID3D11Buffer* pBufferForArgs,
                                                    UINT AlignedByteOffsetForArgs) = 0;
    virtual void STDMETHODCALLTYPE RSSetState(ID3D11RasterizerState* pRasterizerState) = 0;
    virtual void STDMETHODCALLTYPE RSSetViewports(UINT NumViewports,
                                                  const D3D11_VIEWPORT* pViewports) = 0;
    virtual void STDMETHODCALLTYPE RSSetScissorRects(UINT NumRects, const D3D11_RECT* pRects) = 0;
    virtual void STDMETHODCALLTYPE CopySubresourceRegion(ID3D11Resource* pDstResource,
                                                         UINT DstSubresource, UINT DstX, UINT DstY,
                                                         UINT DstZ, ID3D11Resource* pSrcResource,
                                                         UINT SrcSubresource,
                                                         const D3D11_BOX* pSrcBox) = 0;
    virtual void STDMETHODCALLTYPE CopyResource(ID3D11Resource* pDstResource,
                                                ID3D11Resource* pSrcResource) = 0;
    virtual void STDMETHODCALLTYPE UpdateSubresource(ID3D11Resource* pDstResource,
                                                     UINT DstSubresource, const D3D11_BOX* pDstBox,
                                                     const void* pSrcData, UINT SrcRowPitch,
                                                     UINT SrcDepthPitch) = 0;
    virtual void STDMETHODCALLTYPE CopyStructureCount(ID3D11Buffer* pDstBuffer,
                                                      UINT DstAlignedByteOffset,
                                                      ID3D11UnorderedAccessView* pSrcView) = 0;
    virtual void STDMETHODCALLTYPE ClearRenderTargetView(ID3D11RenderTargetView* pRenderTargetView,
                                                         const FLOAT ColorRGBA[4]) = 0;
    virtual void STDMETHODCALLTYPE ClearUnorderedAccessViewUint(
        ID3D11UnorderedAccessView* pUnorderedAccessView, const UINT Values[4]) = 0;
    virtual void STDMETHODCALLTYPE ClearUnorderedAccessViewFloat(
        ID3D11UnorderedAccessView* pUnorderedAccessView, const FLOAT Values[4]) = 0;
    virtual void STDMETHODCALLTYPE ClearDepthStencilView(ID3D11DepthStencilView* pDepthStencilView,
                                                         UINT ClearFlags, FLOAT Depth,
                                                         UINT8 Stencil) = 0;
    virtual void STDMETHODCALLTYPE GenerateMips(ID3D11ShaderResourceView* pShaderResourceView) = 0;
    virtual void STDMETHODCALLTYPE SetResourceMinLOD(ID3D11Resource* pResource, FLOAT MinLOD) = 0;
    virtual FLOAT STDMETHODCALLTYPE GetResourceMinLOD(ID3D11Resource* pResource) = 0;
    virtual void STDMETHODCALLTYPE ResolveSubresource(ID3D11Resource* pDstResource,
                                                      UINT DstSubresource,
                                                      ID3D11Resource* pSrcResource,
                                                      UINT SrcSubresource, DXGI_FORMAT Format) = 0;
    virtual void STDMETHODCALLTYPE ExecuteCommandList(ID3D11CommandList* pCommandList,
                                                      BOOL RestoreContextState) = 0;
    virtual void STDMETHODCALLTYPE HSSetShaderResources(
        UINT StartSlot, UINT NumViews, ID3D11ShaderResourceView* const* ppShaderResourceViews) = 0;
    virtual void STDMETHODCALLTYPE HSSetShader(ID3D11HullShader* pHullShader,
                                               ID3D11ClassInstance* const* ppClassInstances,
                                               UINT NumClassInstances) = 0;
    virtual void STDMETHODCALLTYPE HSSetSamplers(UINT StartSlot, UINT NumSamplers,
                                                 ID3D11SamplerState* const* ppSamplers) = 0;
    virtual void STDMETHODCALLTYPE HSSetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                        ID3D11Buffer* const* ppConstantBuffers) = 0;
    virtual void STDMETHODCALLTYPE DSSetShaderResources(
        UINT StartSlot, UINT NumViews, ID3D11ShaderResourceView* const* ppShaderResourceViews) = 0;
    virtual void STDMETHODCALLTYPE DSSetShader(ID3D11DomainShader* pDomainShader,
                                               ID3D11ClassInstance* const* ppClassInstances,
                                               UINT NumClassInstances) = 0;
    virtual void STDMETHODCALLTYPE DSSetSamplers(UINT StartSlot, UINT NumSamplers,
                                                 ID3D11SamplerState* const* ppSamplers) = 0;
    virtual void STDMETHODCALLTYPE DSSetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                        ID3D11Buffer* const* ppConstantBuffers) = 0;
    virtual void STDMETHODCALLTYPE CSSetShaderResources(
        UINT StartSlot, UINT NumViews, ID3D11ShaderResourceView* const* ppShaderResourceViews) = 0;
    virtual void STDMETHODCALLTYPE CSSetUnorderedAccessViews(
        UINT StartSlot, UINT NumUAVs, ID3D11UnorderedAccessView* const* ppUnorderedAccessViews,
        const UINT* pUAVInitialCounts) = 0;
    virtual void STDMETHODCALLTYPE CSSetShader(ID3D11ComputeShader* pComputeShader,
                                               ID3D11ClassInstance* const* ppClassInstances,
                                               UINT NumClassInstances) = 0;
    virtual void STDMETHODCALLTYPE CSSetSamplers(UINT StartSlot, UINT NumSamplers,
                                                 ID3D11SamplerState* const* ppSamplers) = 0;
    virtual void STDMETHODCALLTYPE CSSetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                        ID3D11Buffer* const* ppConstantBuffers) = 0;
    // 72
    virtual void STDMETHODCALLTYPE VSGetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                        ID3D11Buffer** ppConstantBuffers) = 0;
    virtual void STDMETHODCALLTYPE PSGetShaderResources(
        UINT StartSlot, UINT NumViews, ID3D11ShaderResourceView** ppShaderResourceViews) = 0;
    virtual void STDMETHODCALLTYPE PSGetShader(ID3D11PixelShader** ppPixelShader,
                                               ID3D11ClassInstance** ppClassInstances,
                                               UINT* pNumClassInstances) = 0;
    virtual void STDMETHODCALLTYPE PSGetSamplers(UINT StartSlot, UINT NumSamplers,
                                                 ID3D11SamplerState** ppSamplers) = 0;
    virtual void STDMETHODCALLTYPE VSGetShader(ID3D11VertexShader** ppVertexShader,
                                               ID3D11ClassInstance** ppClassInstances,
                                               UINT* pNumClassInstances) = 0;
    // 77
    virtual void STDMETHODCALLTYPE PSGetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                        ID3D11Buffer** ppConstantBuffers) = 0;
    virtual void STDMETHODCALLTYPE IAGetInputLayout(ID3D11InputLayout** ppInputLayout) = 0;
    // 79
    virtual void STDMETHODCALLTYPE IAGetVertexBuffers(UINT StartSlot, UINT NumBuffers,
                                                      ID3D11Buffer** ppVertexBuffers,
                                                      UINT* pStrides, UINT* pOffsets) = 0;
    virtual void STDMETHODCALLTYPE IAGetIndexBuffer(ID3D11Buffer** pIndexBuffer,
                                                    DXGI_FORMAT* Format, UINT* Offset) = 0;
    virtual void STDMETHODCALLTYPE GSGetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                        ID3D11Buffer** ppConstantBuffers) = 0;
    virtual void STDMETHODCALLTYPE GSGetShader(ID3D11GeometryShader** ppGeometryShader,
                                               ID3D11ClassInstance** ppClassInstances,
                                               UINT* pNumClassInstances) = 0;
    virtual void STDMETHODCALLTYPE IAGetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY* pTopology) = 0;
    virtual void STDMETHODCALLTYPE VSGetShaderResources(
        UINT StartSlot, UINT NumViews, ID3D11ShaderResourceView** ppShaderResourceViews) = 0;
    virtual void STDMETHODCALLTYPE VSGetSamplers(UINT StartSlot, UINT NumSamplers,
                                                 ID3D11SamplerState** ppSamplers) = 0;
    virtual void STDMETHODCALLTYPE GetPredication(ID3D11Predicate** ppPredicate,
                                                  BOOL* pPredicateValue) = 0;
    virtual void STDMETHODCALLTYPE GSGetShaderResources(
        UINT StartSlot, UINT NumViews, ID3D11ShaderResourceView** ppShaderResourceViews) = 0;
    virtual void STDMETHODCALLTYPE GSGetSamplers(UINT StartSlot, UINT NumSamplers,
                                                 ID3D11SamplerState** ppSamplers) = 0;
    virtual void STDMETHODCALLTYPE
    OMGetRenderTargets(UINT NumViews, ID3D11RenderTargetView** ppRenderTargetViews,
                       ID3D11DepthStencilView** ppDepthStencilView) = 0;
    virtual void STDMETHODCALLTYPE OMGetRenderTargetsAndUnorderedAccessViews(
        UINT NumRTVs, ID3D11RenderTargetView** ppRenderTargetViews,
        ID3D11DepthStencilView** ppDepthStencilView, UINT UAVStartSlot, UINT NumUAVs,
        ID3D11UnorderedAccessView** ppUnorderedAccessViews) = 0;
    virtual void STDMETHODCALLTYPE OMGetBlendState(ID3D11BlendState** ppBlendState,
                                                   FLOAT BlendFactor[4], UINT* pSampleMask) = 0;
    virtual void STDMETHODCALLTYPE
    OMGetDepthStencilState(ID3D11DepthStencilState** ppDepthStencilState, UINT* pStencilRef) = 0;
    virtual void STDMETHODCALLTYPE SOGetTargets(UINT NumBuffers, ID3D11Buffer** ppSOTargets) = 0;
    virtual void STDMETHODCALLTYPE RSGetState(ID3D11RasterizerState** ppRasterizerState) = 0;
    virtual void STDMETHODCALLTYPE RSGetViewports(UINT* pNumViewports,
                                                  D3D11_VIEWPORT* pViewports) = 0;
    virtual void STDMETHODCALLTYPE RSGetScissorRects(UINT* pNumRects, D3D11_RECT* pRects) = 0;
    virtual void STDMETHODCALLTYPE HSGetShaderResources(
        UINT StartSlot, UINT NumViews, ID3D11ShaderResourceView** ppShaderResourceViews) = 0;
    virtual void STDMETHODCALLTYPE HSGetShader(ID3D11HullShader** ppHullShader,
                                               ID3D11ClassInstance** ppClassInstances,
                                               UINT* pNumClassInstances) = 0;
    virtual void STDMETHODCALLTYPE HSGetSamplers(UINT StartSlot, UINT NumSamplers,
                                                 ID3D11SamplerState** ppSamplers) = 0;
    virtual void STDMETHODCALLTYPE HSGetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                        ID3D11Buffer** ppConstantBuffers) = 0;
    virtual void STDMETHODCALLTYPE DSGetShaderResources(
        UINT StartSlot, UINT NumViews, ID3D11ShaderResourceView** ppShaderResourceViews) = 0;
    virtual void STDMETHODCALLTYPE DSGetShader(ID3D11DomainShader** ppDomainShader,
                                               ID3D11ClassInstance** ppClassInstances,
                                               UINT* pNumClassInstances) = 0;
    virtual void STDMETHODCALLTYPE DSGetSamplers(UINT StartSlot, UINT NumSamplers,
                                                 ID3D11SamplerState** ppSamplers) = 0;
    virtual void STDMETHODCALLTYPE DSGetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                        ID3D11Buffer** ppConstantBuffers) = 0;
    virtual void STDMETHODCALLTYPE CSGetShaderResources(
        UINT StartSlot, UINT NumViews, ID3D11ShaderResourceView** ppShaderResourceViews) = 0;
    virtual void STDMETHODCALLTYPE CSGetUnorderedAccessViews(
        UINT StartSlot, UINT NumUAVs, ID3D11UnorderedAccessView** ppUnorderedAccessViews) = 0;
    virtual void STDMETHODCALLTYPE CSGetShader(ID3D11ComputeShader** ppComputeShader,
                                               ID3D11ClassInstance** ppClassInstances,
                                               UINT* pNumClassInstances) = 0;
    virtual void STDMETHODCALLTYPE CSGetSamplers(UINT StartSlot, UINT NumSamplers,
                                                 ID3D11SamplerState** ppSamplers) = 0;
    virtual void STDMETHODCALLTYPE CSGetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                        ID3D11Buffer** ppConstantBuffers) = 0;
    // 110
    virtual void STDMETHODCALLTYPE ClearState() = 0;
    virtual void STDMETHODCALLTYPE Flush() = 0;
    virtual D3D11_DEVICE_CONTEXT_TYPE STDMETHODCALLTYPE GetType() = 0;
    virtual UINT STDMETHODCALLTYPE GetContextFlags() = 0;
    virtual HRESULT STDMETHODCALLTYPE FinishCommandList(BOOL RestoreDeferredContextState,
                                                        ID3D11CommandList** ppCommandList) = 0;
};

struct ID3D11Device : public IUnknown {
    // 3
    virtual HRESULT STDMETHODCALLTYPE CreateBuffer(const D3D11_BUFFER_DESC* pDesc,
                                                   const D3D11_SUBRESOURCE_DATA* pInitialData,
                                                   ID3D11Buffer** ppBuffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateTexture1D(const D3D11_TEXTURE1D_DESC* pDesc,
                                                      const D3D11_SUBRESOURCE_DATA* pInitialData,
                                                      ID3D11Texture1D** ppTexture1D) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateTexture2D(const D3D11_TEXTURE2D_DESC* pDesc,
                                                      const D3D11_SUBRESOURCE_DATA* pInitialData,
                                                      ID3D11Texture2D** ppTexture2D) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateTexture3D(const D3D11_TEXTURE3D_DESC* pDesc,
                                                      const D3D11_SUBRESOURCE_DATA* pInitialData,
                                                      ID3D11Texture3D** ppTexture3D) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateShaderResourceView(
        ID3D11Resource* pResource, const D3D11_SHADER_RESOURCE_VIEW_DESC* pDesc,
        ID3D11ShaderResourceView** ppSRView) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateUnorderedAccessView(
        ID3D11Resource* pResource, const D3D11_UNORDERED_ACCESS_VIEW_DESC* pDesc,
        ID3D11UnorderedAccessView** ppUAView) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    CreateRenderTargetView(ID3D11Resource* pResource, const D3D11_RENDER_TARGET_VIEW_DESC* pDesc,
                           ID3D11RenderTargetView** ppRTView) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    CreateDepthStencilView(ID3D11Resource* pResource, const D3D11_DEPTH_STENCIL_VIEW_DESC* pDesc,
                           ID3D11DepthStencilView** ppDepthStencilView) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    CreateInputLayout(const D3D11_INPUT_ELEMENT_DESC* pInputElementDescs, UINT NumElements,
                      const void* pShaderBytecodeWithInputSignature, SIZE_T BytecodeLength,
                      ID3D11InputLayout** ppInputLayout) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateVertexShader(const void* pShaderBytecode,
                                                         SIZE_T BytecodeLength,
                                                         ID3D11ClassLinkage* pClassLinkage,
                                                         ID3D11VertexShader** ppVertexShader) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateGeometryShader(
        const void* pShaderBytecode, SIZE_T BytecodeLength, ID3D11ClassLinkage* pClassLinkage,
        ID3D11GeometryShader** ppGeometryShader) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateGeometryShaderWithStreamOutput(
        const void* pShaderBytecode, SIZE_T BytecodeLength,
        const D3D11_SO_DECLARATION_ENTRY* pSODeclaration, UINT NumEntries,
        const UINT* pBufferStrides, UINT NumStrides, UINT RasterizedStream,
        ID3D11ClassLinkage* pClassLinkage, ID3D11GeometryShader** ppGeometryShader) = 0;
    // 15
    virtual HRESULT STDMETHODCALLTYPE CreatePixelShader(const void* pShaderBytecode,
                                                        SIZE_T BytecodeLength,
                                                        ID3D11ClassLinkage* pClassLinkage,
                                                        ID3D11PixelShader** ppPixelShader) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateHullShader(const void* pShaderBytecode,
                                                       SIZE_T BytecodeLength,
                                                       ID3D11ClassLinkage* pClassLinkage,
                                                       ID3D11HullShader** ppHullShader) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateDomainShader(const void* pShaderBytecode,
                                                         SIZE_T BytecodeLength,
                                                         ID3D11ClassLinkage* pClassLinkage,
                                                         ID3D11DomainShader** ppDomainShader) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateComputeShader(
        const void* pShaderBytecode, SIZE_T BytecodeLength, ID3D11ClassLinkage* pClassLinkage,
        ID3D11ComputeShader** ppComputeShader) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateClassLinkage(ID3D11ClassLinkage** ppLinkage) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateBlendState(const D3D11_BLEND_DESC* pBlendStateDesc,
                                                       ID3D11BlendState** ppBlendState) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    CreateDepthStencilState(const D3D11_DEPTH_STENCIL_DESC* pDepthStencilDesc,
                            ID3D11DepthStencilState** ppDepthStencilState) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    CreateRasterizerState(const D3D11_RASTERIZER_DESC* pRasterizerDesc,
                          ID3D11RasterizerState** ppRasterizerState) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateSamplerState(const D3D11_SAMPLER_DESC* pSamplerDesc,
                                                         ID3D11SamplerState** ppSamplerState) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateQuery(const D3D11_QUERY_DESC* pQueryDesc,
                                                  ID3D11Query** ppQuery) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreatePredicate(const D3D11_QUERY_DESC* pPredicateDesc,
                                                      ID3D11Predicate** ppPredicate) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateCounter(const D3D11_COUNTER_DESC* pCounterDesc,
                                                    ID3D11Counter** ppCounter) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    CreateDeferredContext(UINT ContextFlags, ID3D11DeviceContext** ppDeferredContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenSharedResource(HANDLE hResource, REFIID ReturnedInterface,
                                                         void** ppResource) = 0;
    virtual HRESULT STDMETHODCALLTYPE CheckFormatSupport(DXGI_FORMAT Format,
                                                         UINT* pFormatSupport) = 0;
    virtual HRESULT STDMETHODCALLTYPE CheckMultisampleQualityLevels(DXGI_FORMAT Format,
                                                                    UINT SampleCount,
                                                                    UINT* pNumQualityLevels) = 0;
    virtual void STDMETHODCALLTYPE CheckCounterInfo(D3D11_COUNTER_INFO* pCounterInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE CheckCounter(const D3D11_COUNTER_DESC* pDesc,
                                                   D3D11_COUNTER_TYPE* pType, UINT* pActiveCounters,
                                                   LPSTR szName, UINT* pNameLength, LPSTR szUnits,
                                                   UINT* pUnitsLength, LPSTR szDescription,
                                                   UINT* pDescriptionLength) = 0;
    virtual HRESULT STDMETHODCALLTYPE CheckFeatureSupport(D3D11_FEATURE Feature,
                                                          void* pFeatureSupportData,
                                                          UINT FeatureSupportDataSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID guid, UINT* pDataSize,
                                                     void* pData) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID guid, UINT DataSize,
                                                     const void* pData) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID guid,
                                                              const IUnknown* pData) = 0;
    virtual D3D_FEATURE_LEVEL STDMETHODCALLTYPE GetFeatureLevel() = 0;
    virtual UINT STDMETHODCALLTYPE GetCreationFlags() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceRemovedReason() = 0;
    // 40
    virtual void STDMETHODCALLTYPE
    GetImmediateContext(ID3D11DeviceContext** ppImmediateContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetExceptionMode(UINT RaiseFlags) = 0;
    virtual UINT STDMETHODCALLTYPE GetExceptionMode() = 0;
};

struct IDXGIAdapter;
// The same declaration as module_handle.h gives.
struct HINSTANCE__;
using HMODULE = HINSTANCE__*;

constexpr UINT D3D11_SDK_VERSION = 7;

// The signature of the export that creates a device, its immediate context
// and a swap chain in one call.
using PFN_D3D11_CREATE_DEVICE_AND_SWAP_CHAIN = HRESULT(WINAPI*)(
    IDXGIAdapter* adapter, D3D_DRIVER_TYPE driverType, HMODULE software, UINT flags,
    const D3D_FEATURE_LEVEL* featureLevels, UINT featureLevelCount, UINT sdkVersion,
    const DXGI_SWAP_CHAIN_DESC* swapChainDesc, IDXGISwapChain** swapChain, ID3D11Device** device,
    D3D_FEATURE_LEVEL* featureLevel, ID3D11DeviceContext** immediateContext);
