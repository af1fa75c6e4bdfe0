// Building and compiling the flat-colour pixel shaders.
#include "idpass/flat_shader.h"

#include "core/reshade_log.h"
#include "idpass/shader_compiler.h"

#include <fmt/format.h>

#include <cstdint>
#include <string_view>

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

// One level-1 line for a shader that could not be made, ending in the
// HRESULT and, when the compiler wrote one, its own message.
void reportShaderFailure(const char* what, float r, float g, float b, HRESULT result,
                         ID3DBlob* messages) noexcept {
    try {
        std::string text =
            fmt::format("[Kivren] The flat-colour shader for ({}, {}, {}) {} (HRESULT 0x{:08X})", r,
                        g, b, what, static_cast<std::uint32_t>(result));
        if (messages && messages->GetBufferSize() > 0) {
            std::string_view message(static_cast<const char*>(messages->GetBufferPointer()),
                                     messages->GetBufferSize());
            // The compiler ends its text with a line break and a zero.
            while (!message.empty() &&
                   (message.back() == '\0' || message.back() == '\n' || message.back() == '\r'))
                message.remove_suffix(1);
            // One error per line; the log keeps them on the failure's own line.
            text += ": ";
            for (const char c : message) {
                if (c == '\n')
                    text += "; ";
                else if (c != '\r')
                    text += c;
            }
        }
        logToReShade(logFailure, text);
    } catch (...) {
        // Out of memory for the line itself: nothing left to report with.
    }
}

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
    if (!compile) {
        reportShaderFailure("cannot be compiled: the process has no D3DCompile", r, g, b,
                            compilerMissing, nullptr);
        return compilerMissing;
    }

    std::string source;
    try {
        source = flatShaderSource(r, g, b);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    ID3DBlob* code = nullptr;
    ID3DBlob* messages = nullptr;
    HRESULT result = compile(source.data(), source.size(), "shader", nullptr, nullptr, "main",
                             "ps_4_0", 0, 0, &code, &messages);
    if (FAILED(result) || !code) {
        if (code)
            code->Release();
        result = FAILED(result) ? result : E_FAIL;
        reportShaderFailure("did not compile", r, g, b, result, messages);
        if (messages)
            messages->Release();
        return result;
    }
    // Warnings only: the shader is good.
    if (messages)
        messages->Release();
    ID3D11PixelShader* created = nullptr;
    result = device->CreatePixelShader(code->GetBufferPointer(), code->GetBufferSize(), nullptr,
                                       &created);
    code->Release();
    if (SUCCEEDED(result) && created)
        *shader = created;
    else
        reportShaderFailure("could not be created on the game's device", r, g, b,
                            FAILED(result) ? result : E_FAIL, nullptr);
    return result;
}
