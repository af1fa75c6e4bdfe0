// The stand-in HLSL compiler: it accepts exactly the plugin's flat-colour
// pixel shader (three numbers in a fixed text, entry point "main", target
// "ps_4_0") and fails on anything else, as a real compiler fails on a typo.
// Its "bytecode" is the source itself, so equal colours give equal bytes.
#include "sim_object.h"

#include <d3dcompiler.h>

#include <cctype>
#include <charconv>
#include <cstring>
#include <string>
#include <string_view>

namespace {

class SimBlob final : public simd3d::Object<ID3DBlob> {
public:
    explicit SimBlob(std::string bytes) : bytes_(std::move(bytes)) {}
    LPVOID STDMETHODCALLTYPE GetBufferPointer() override { return bytes_.data(); }
    SIZE_T STDMETHODCALLTYPE GetBufferSize() override { return bytes_.size(); }

private:
    std::string bytes_;
};

// The source around the three channel values, in order.
constexpr std::string_view pieces[] = {
    "struct VS_OUT{    float4 Position : SV_Position;    float4 Color    : COLOR0;};float4 main( "
    "VS_OUT input ) : SV_Target{    float4 o;    o.a = 1.0; o.r = ",
    "; o.g = ",
    "; o.b = ",
    ";    return o;}",
};

// Whether the text is one float literal and nothing else. HLSL has no
// literal for NaN or infinity, which from_chars would read.
bool isNumber(std::string_view text) {
    if (text.empty() ||
        !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-' || text[0] == '.'))
        return false;
    float value = 0.0f;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

bool isFlatColourShader(std::string_view source) {
    for (std::size_t i = 0; i < std::size(pieces); ++i) {
        if (source.substr(0, pieces[i].size()) != pieces[i])
            return false;
        source.remove_prefix(pieces[i].size());
        if (i + 1 == std::size(pieces))
            return source.empty();
        const std::size_t end = source.find(';');
        if (end == std::string_view::npos || !isNumber(source.substr(0, end)))
            return false;
        source.remove_prefix(end);
    }
    return false;
}

bool same(LPCSTR text, const char* expected) {
    return text && std::strcmp(text, expected) == 0;
}

} // namespace

extern "C" __attribute__((visibility("default"))) HRESULT WINAPI
D3DCompile(LPCVOID source, SIZE_T size, LPCSTR, const D3D_SHADER_MACRO*, ID3DInclude*,
           LPCSTR entryPoint, LPCSTR target, UINT, UINT, ID3DBlob** code, ID3DBlob** errors) {
    if (errors)
        *errors = nullptr;
    if (!source || !code)
        return E_INVALIDARG;
    *code = nullptr;
    const std::string_view text(static_cast<const char*>(source), size);
    if (!same(entryPoint, "main") || !same(target, "ps_4_0") || !isFlatColourShader(text)) {
        if (errors)
            *errors = simd3d::make<SimBlob>("shader(1,1): error: not the flat-colour shader");
        return E_FAIL;
    }
    *code = simd3d::make<SimBlob>(std::string(text));
    return S_OK;
}
