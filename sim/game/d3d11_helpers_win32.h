#pragma once
// Small helpers for programs that draw on the real Direct3D 11 (Windows only).

#include <d3d11.h>
#include <d3dcompiler.h>

#include <cstring>

// Releases the object, if any, and forgets it.
template <typename T> void releaseObject(T*& object) {
    if (object)
        object->Release();
    object = nullptr;
}

// Compiles HLSL with entry point "main" for a target such as "ps_4_0"; null
// on failure.
inline ID3DBlob* compileShader(const char* source, const char* target) {
    ID3DBlob* code = nullptr;
    ID3DBlob* errors = nullptr;
    D3DCompile(source, std::strlen(source), "game", nullptr, nullptr, "main", target, 0, 0, &code,
               &errors);
    releaseObject(errors);
    return code;
}

// The pass-through shaders of the simple games: a position and a colour per
// vertex (two float4 at offsets 0 and 16), the colour drawn as it is.
inline constexpr const char* colourVertexShader =
    "struct VS_IN{ float4 Position : POSITION; float4 Color : COLOR0; };"
    "struct VS_OUT{ float4 Position : SV_Position; float4 Color : COLOR0; };"
    "VS_OUT main(VS_IN v){ VS_OUT o; o.Position = v.Position; o.Color = v.Color; return o; }";
inline constexpr const char* colourPixelShader =
    "struct VS_OUT{ float4 Position : SV_Position; float4 Color : COLOR0; };"
    "float4 main(VS_OUT i) : SV_Target{ return i.Color; }";
inline constexpr D3D11_INPUT_ELEMENT_DESC colourVertexElements[] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
    {"COLOR", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 16, D3D11_INPUT_PER_VERTEX_DATA, 0},
};
