// Building and compiling the flat-colour pixel shaders.
#include "idpass/flat_shader.h"

#include "idpass/shader_compiler.h"

#include <fmt/format.h>

namespace {

// One line of 194 characters; the three {} take r, g and b in order.
constexpr char flatShaderTemplate[] =
    "struct VS_OUT{{    float4 Position : SV_Position;    float4 Color    : COLOR0;}};float4 "
    "main( VS_OUT input ) : SV_Target{{    float4 o;    o.a = 1.0; o.r = {}; o.g = {}; o.b = "
    "{};    return o;}}";
static_assert(sizeof(flatShaderTemplate) - 1 == 194);

// HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND): no module of the process offers
// the compiler.
constexpr HRESULT compilerMissing = static_cast<HRESULT>(0x8007007Eu);

} // namespace

std::string flatShaderSource(float r, float g, float b) {
    // fmt writes a float as its shortest round-trip text: 1.0f gives "1",
    // 1/255 gives "0.003921569".
    return fmt::format(flatShaderTemplate, r, g, b);
}

HRESULT compileFlatShader(ID3D11Device* device, float r, float g, float b,
                          ID3D11PixelShader** shader) noexcept {
    if (!device)
        return E_HANDLE;
    const pD3DCompile compile = findShaderCompiler();
    if (!compile)
        return compilerMissing;

    std::string source;
    try {
        source = flatShaderSource(r, g, b);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    ID3DBlob* code = nullptr;
    HRESULT result = compile(source.data(), source.size(), "shader", nullptr, nullptr, "main",
                             "ps_4_0", 0, 0, &code, nullptr);
    if (FAILED(result) || !code) {
        if (code)
            code->Release();
        return FAILED(result) ? result : E_FAIL;
    }
    ID3D11PixelShader* created = nullptr;
    result = device->CreatePixelShader(code->GetBufferPointer(), code->GetBufferSize(), nullptr,
                                       &created);
    code->Release();
    if (SUCCEEDED(result) && created)
        *shader = created;
    return result;
}
