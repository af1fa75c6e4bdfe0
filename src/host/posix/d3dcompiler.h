#pragma once
// The HLSL compiler's interface for systems without the Windows SDK: the code
// blob and D3DCompile. The plugin never links D3DCompile; it looks the
// function up at run time, in whatever module of the process provides it.

#include "unknwn.h"

struct D3D_SHADER_MACRO {
    LPCSTR Name;
    LPCSTR Definition;
};

// Not a COM interface: the compiler calls its two methods to resolve #include.
struct ID3DInclude;

struct ID3D10Blob : public IUnknown {
    virtual LPVOID STDMETHODCALLTYPE GetBufferPointer() = 0;
    virtual SIZE_T STDMETHODCALLTYPE GetBufferSize() = 0;
};
using ID3DBlob = ID3D10Blob;

extern "C" HRESULT WINAPI D3DCompile(LPCVOID pSrcData, SIZE_T SrcDataSize, LPCSTR pSourceName,
                                     const D3D_SHADER_MACRO* pDefines, ID3DInclude* pInclude,
                                     LPCSTR pEntrypoint, LPCSTR pTarget, UINT Flags1, UINT Flags2,
                                     ID3DBlob** ppCode, ID3DBlob** ppErrorMsgs);

using pD3DCompile = HRESULT(WINAPI*)(LPCVOID pSrcData, SIZE_T SrcDataSize, LPCSTR pSourceName,
                                     const D3D_SHADER_MACRO* pDefines, ID3DInclude* pInclude,
                                     LPCSTR pEntrypoint, LPCSTR pTarget, UINT Flags1, UINT Flags2,
                                     ID3DBlob** ppCode, ID3DBlob** ppErrorMsgs);
