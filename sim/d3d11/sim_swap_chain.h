#pragma once
// A stand-in swap chain: the method table of a real IDXGISwapChain, with a
// count of presents and nothing else. Its device is the stand-in device it
// was created with.

#include "sim_object.h"

#include <d3d11.h>

#include <atomic>
#include <cstddef>

class SimSwapChain final : public simd3d::Object<IDXGISwapChain> {
public:
    SimSwapChain(ID3D11Device* device, const DXGI_SWAP_CHAIN_DESC& desc);

    std::size_t presents() const { return presents_.load(); }

    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID, UINT, const void*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID, const IUnknown*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID, UINT*, void*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetParent(REFIID, void** parent) override;
    HRESULT STDMETHODCALLTYPE GetDevice(REFIID, void** device) override;
    HRESULT STDMETHODCALLTYPE Present(UINT, UINT) override;
    HRESULT STDMETHODCALLTYPE GetBuffer(UINT, REFIID, void** surface) override;
    HRESULT STDMETHODCALLTYPE SetFullscreenState(BOOL, IDXGIOutput*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFullscreenState(BOOL* fullscreen, IDXGIOutput** target) override;
    HRESULT STDMETHODCALLTYPE GetDesc(DXGI_SWAP_CHAIN_DESC* desc) override;
    HRESULT STDMETHODCALLTYPE ResizeBuffers(UINT, UINT, UINT, DXGI_FORMAT, UINT) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ResizeTarget(const DXGI_MODE_DESC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainingOutput(IDXGIOutput** output) override;
    HRESULT STDMETHODCALLTYPE GetFrameStatistics(DXGI_FRAME_STATISTICS*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetLastPresentCount(UINT* count) override;

protected:
    void finalRelease() override;

private:
    ID3D11Device* device_;
    DXGI_SWAP_CHAIN_DESC desc_;
    std::atomic<std::size_t> presents_{0};
};
