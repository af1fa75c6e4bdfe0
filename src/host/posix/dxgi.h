#pragma once
// The DXGI declarations that the plugin and its stand-ins touch, for systems
// without the Windows SDK. IDXGISwapChain is complete, with its 18 methods in
// the order of the real interface (IUnknown, IDXGIObject,
// IDXGIDeviceSubObject, then its own), so that a stand-in swap chain has the
// method table of a real one.

#include "unknwn.h"

enum DXGI_FORMAT : UINT {
    DXGI_FORMAT_UNKNOWN = 0,
    DXGI_FORMAT_R32G32B32A32_FLOAT = 2,
    DXGI_FORMAT_R8G8B8A8_UNORM = 28,
    DXGI_FORMAT_R32_UINT = 42,
    DXGI_FORMAT_R16_UINT = 57,
};

// A window, as the swap chain sees it: an opaque handle.
struct HWND__;
using HWND = HWND__*;

enum DXGI_MODE_SCANLINE_ORDER : UINT {
    DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED = 0,
};

enum DXGI_MODE_SCALING : UINT {
    DXGI_MODE_SCALING_UNSPECIFIED = 0,
};

enum DXGI_SWAP_EFFECT : UINT {
    DXGI_SWAP_EFFECT_DISCARD = 0,
};

enum DXGI_SWAP_CHAIN_FLAG : UINT {
    DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH = 2,
};

constexpr UINT DXGI_USAGE_RENDER_TARGET_OUTPUT = 0x20;

struct DXGI_RATIONAL {
    UINT Numerator;
    UINT Denominator;
};

struct DXGI_MODE_DESC {
    UINT Width;
    UINT Height;
    DXGI_RATIONAL RefreshRate;
    DXGI_FORMAT Format;
    DXGI_MODE_SCANLINE_ORDER ScanlineOrdering;
    DXGI_MODE_SCALING Scaling;
};

struct DXGI_SAMPLE_DESC {
    UINT Count;
    UINT Quality;
};

using DXGI_USAGE = UINT;

struct DXGI_SWAP_CHAIN_DESC {
    DXGI_MODE_DESC BufferDesc;
    DXGI_SAMPLE_DESC SampleDesc;
    DXGI_USAGE BufferUsage;
    UINT BufferCount;
    HWND OutputWindow;
    BOOL Windowed;
    DXGI_SWAP_EFFECT SwapEffect;
    UINT Flags;
};

struct IDXGIOutput;
struct DXGI_FRAME_STATISTICS;

struct IDXGISwapChain : public IUnknown {
    // IDXGIObject
    virtual HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID name, UINT size, const void* data) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID name,
                                                              const IUnknown* unknown) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID name, UINT* size, void* data) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetParent(REFIID riid, void** parent) = 0;
    // IDXGIDeviceSubObject
    virtual HRESULT STDMETHODCALLTYPE GetDevice(REFIID riid, void** device) = 0;
    // IDXGISwapChain
    virtual HRESULT STDMETHODCALLTYPE Present(UINT syncInterval, UINT flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBuffer(UINT buffer, REFIID riid, void** surface) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFullscreenState(BOOL fullscreen, IDXGIOutput* target) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFullscreenState(BOOL* fullscreen,
                                                         IDXGIOutput** target) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDesc(DXGI_SWAP_CHAIN_DESC* desc) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResizeBuffers(UINT bufferCount, UINT width, UINT height,
                                                    DXGI_FORMAT format, UINT flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResizeTarget(const DXGI_MODE_DESC* targetParameters) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetContainingOutput(IDXGIOutput** output) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFrameStatistics(DXGI_FRAME_STATISTICS* stats) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLastPresentCount(UINT* lastPresentCount) = 0;
};
