#pragma once
// Finds the HLSL compiler's D3DCompile at run time, so that the plugin's
// import table keeps nothing but system libraries.

#include <d3dcompiler.h>

// D3DCompile of the process's compiler, or null when there is none.
pD3DCompile findShaderCompiler() noexcept;
