#include "sim_swap_chain.h"

SimSwapChain::SimSwapChain(ID3D11Device* device, const DXGI_SWAP_CHAIN_DESC& desc)
    : device_(device), desc_(desc) {
    // The swap chain keeps its device, as a real one does.
    device_->AddRef();
}

void SimSwapChain::finalRelease() {
    device_->Release();
}

HRESULT SimSwapChain::GetParent(REFIID, void** parent) {
    if (parent)
        *parent = nullptr;
    return E_NOINTERFACE;
}

HRESULT SimSwapChain::GetDevice(REFIID, void** device) {
    if (!device)
        return E_INVALIDARG;
    *device = simd3d::share(device_);
    return S_OK;
}

HRESULT SimSwapChain::Present(UINT, UINT) {
    ++presents_;
    return S_OK;
}

HRESULT SimSwapChain::GetBuffer(UINT, REFIID, void** surface) {
    if (surface)
        *surface = nullptr;
    return E_NOTIMPL;
}

HRESULT SimSwapChain::GetFullscreenState(BOOL* fullscreen, IDXGIOutput** target) {
    if (fullscreen)
        *fullscreen = 0;
    if (target)
        *target = nullptr;
    return S_OK;
}

HRESULT SimSwapChain::GetDesc(DXGI_SWAP_CHAIN_DESC* desc) {
    if (!desc)
        return E_INVALIDARG;
    *desc = desc_;
    return S_OK;
}

HRESULT SimSwapChain::GetContainingOutput(IDXGIOutput** output) {
    if (output)
        *output = nullptr;
    return E_NOTIMPL;
}

HRESULT SimSwapChain::GetLastPresentCount(UINT* count) {
    if (!count)
        return E_INVALIDARG;
    *count = static_cast<UINT>(presents_.load());
    return S_OK;
}
