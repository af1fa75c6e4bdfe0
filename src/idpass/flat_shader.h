#pragma once
// Pixel shaders that ignore their input and write one flat colour with alpha
// 1: the ID colour of a mesh, or the debug highlight.

#include <d3d11.h>

#include <string>

// The HLSL source for (r, g, b): one line, each channel written as the
// shortest decimal text that reads back as the same 32-bit float.
std::string flatShaderSource(float r, float g, float b);

// Compiles the source with the HLSL compiler and creates the shader on the
// device. *shader is written only when a shader was created. Without a device
// the answer is E_HANDLE and nothing is compiled.
HRESULT compileFlatShader(ID3D11Device* device, float r, float g, float b,
                          ID3D11PixelShader** shader) noexcept;
