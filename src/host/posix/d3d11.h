#pragma once
// The Direct3D 11 interfaces that the plugin touches, declared for systems
// without the Windows SDK. Method order follows the real COM interfaces, so
// that a stand-in implementation has the same method tables as the real one.

#include "unknwn.h"

struct ID3D11Device;

struct ID3D11DeviceChild : public IUnknown {
    virtual void STDMETHODCALLTYPE GetDevice(ID3D11Device** device) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID guid, UINT* dataSize, void* data) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID guid, UINT dataSize,
                                                     const void* data) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID guid,
                                                              const IUnknown* data) = 0;
};

struct ID3D11PixelShader : public ID3D11DeviceChild {};

// The device's methods used by the plugin are declared with the rest of its
// interface where they are needed.
struct ID3D11Device : public IUnknown {};
