#pragma once
// The stand-in d3d11 module (libd3d11.so): D3D11CreateDeviceAndSwapChain, as
// a game links it, and what tests that look into the module use. Its objects are
// the stand-ins of sim_d3d11.h, built into the module, so every context it
// creates runs the module's one copy of the method code, as with d3d11.dll.

#include <d3d11.h>

#include <cstddef>

extern "C" {
HRESULT D3D11CreateDeviceAndSwapChain(IDXGIAdapter* adapter, D3D_DRIVER_TYPE driverType,
                                      HMODULE software, UINT flags,
                                      const D3D_FEATURE_LEVEL* featureLevels, UINT levelCount,
                                      UINT sdkVersion, const DXGI_SWAP_CHAIN_DESC* swapChainDesc,
                                      IDXGISwapChain** swapChain, ID3D11Device** device,
                                      D3D_FEATURE_LEVEL* obtainedLevel,
                                      ID3D11DeviceContext** context);
// From now on D3D11CreateDeviceAndSwapChain answers `result` and creates
// nothing (S_OK restores the normal behaviour).
void standInD3d11FailCreation(HRESULT result);
// The module's objects created and not yet released to zero, and the uses of
// released ones.
std::size_t standInD3d11LiveObjects();
std::size_t standInD3d11Misuses();
// How many devices the module has created.
std::size_t standInD3d11DevicesCreated();
}
