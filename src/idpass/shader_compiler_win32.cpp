#include "idpass/shader_compiler.h"

#include <atomic>

pD3DCompile findShaderCompiler() noexcept {
    static std::atomic<pD3DCompile> found{nullptr};
    if (pD3DCompile known = found.load())
        return known;
    // Games that compile shaders have the library loaded already; otherwise it
    // is loaded here and stays for the life of the process.
    HMODULE module = GetModuleHandleW(L"d3dcompiler_47.dll");
    if (!module)
        module = LoadLibraryW(L"d3dcompiler_47.dll");
    if (!module)
        return nullptr;
    auto compile = reinterpret_cast<pD3DCompile>(
        reinterpret_cast<void*>(GetProcAddress(module, "D3DCompile")));
    found.store(compile);
    return compile;
}
