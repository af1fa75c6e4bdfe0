// The stand-in d3d11 module's exports.
#include "stand_in_d3d11_module.h"

#include "sim_d3d11.h"
#include "sim_swap_chain.h"

#include <atomic>

#define STAND_IN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::atomic<HRESULT> creationFailure{S_OK};
std::atomic<std::size_t> devicesCreated{0};
} // namespace

STAND_IN_EXPORT HRESULT D3D11CreateDeviceAndSwapChain(
    IDXGIAdapter*, D3D_DRIVER_TYPE, HMODULE, UINT, const D3D_FEATURE_LEVEL* featureLevels,
    UINT featureLevelCount, UINT sdkVersion, const DXGI_SWAP_CHAIN_DESC* swapChainDesc,
    IDXGISwapChain** swapChain, ID3D11Device** device, D3D_FEATURE_LEVEL* featureLevel,
    ID3D11DeviceContext** immediateContext) {
    for (void** out : {reinterpret_cast<void**>(swapChain), reinterpret_cast<void**>(device),
                       reinterpret_cast<void**>(immediateContext)}) {
        if (out)
            *out = nullptr;
    }
    if (const HRESULT failure = creationFailure.load(); failure != S_OK)
        return failure;
    if (sdkVersion != D3D11_SDK_VERSION || (featureLevelCount && !featureLevels) ||
        (swapChain && !swapChainDesc))
        return E_INVALIDARG;

    ID3D11Device* created = nullptr;
    ID3D11DeviceContext* context = nullptr;
    createSimDevice(&created, &context);
    ++devicesCreated;
    if (swapChain)
        *swapChain = simd3d::make<SimSwapChain>(created, *swapChainDesc);
    if (featureLevel)
        *featureLevel = featureLevelCount ? featureLevels[0] : D3D_FEATURE_LEVEL_11_0;
    // References that the caller does not take are given back at once.
    if (device)
        *device = created;
    else
        created->Release();
    if (immediateContext)
        *immediateContext = context;
    else
        context->Release();
    return S_OK;
}

STAND_IN_EXPORT void standInD3d11FailCreation(HRESULT result) {
    creationFailure.store(result);
}

STAND_IN_EXPORT std::size_t standInD3d11LiveObjects() {
    return simd3d::liveObjects();
}

STAND_IN_EXPORT std::size_t standInD3d11Misuses() {
    return simd3d::misuseCount();
}

STAND_IN_EXPORT std::size_t standInD3d11DevicesCreated() {
    return devicesCreated.load();
}
