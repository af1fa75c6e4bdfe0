// The drawing game on the stand-in d3d11 module. The stand-in draws nothing,
// so a draw's colour is read from the pixel shader bound when it ran: the
// game's own shader carries the mesh's colour in its bytes, and the plugin's
// flat shaders are the stand-in compiler's "bytecode", their HLSL source.
#include "drawing_game.h"

#include "sim_d3d11.h"
#include "stand_in_d3d11_module.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace {

// The channel after `label` in a flat shader's source, as an 8-bit value.
bool channel(std::string_view source, std::string_view label, std::uint8_t& out) {
    const std::size_t at = source.find(label);
    if (at == std::string_view::npos)
        return false;
    const char* first = source.data() + at + label.size();
    float value = 0.0f;
    if (std::from_chars(first, source.data() + source.size(), value).ec != std::errc())
        return false;
    out = static_cast<std::uint8_t>(std::lround(value * 255.0f));
    return true;
}

Rgba colourOf(const std::vector<std::uint8_t>& bytecode) {
    const std::string_view text(reinterpret_cast<const char*>(bytecode.data()), bytecode.size());
    if (text.rfind("game ", 0) == 0 && bytecode.size() == 9)
        return {bytecode[5], bytecode[6], bytecode[7], bytecode[8]};
    Rgba colour{0, 0, 0, 255};
    if (!channel(text, "o.r = ", colour[0]) || !channel(text, "o.g = ", colour[1]) ||
        !channel(text, "o.b = ", colour[2]))
        return {0, 0, 0, 0};
    return colour;
}

} // namespace

struct DrawingGame::State {
    std::string failure;
    std::vector<SimMesh> meshes;
    IDXGISwapChain* swapChain = nullptr;
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
    struct Mesh {
        ID3D11Buffer* vertices = nullptr;
        ID3D11Buffer* indices = nullptr;
        ID3D11Buffer* constants = nullptr;
        ID3D11PixelShader* shader = nullptr;
    };
    std::vector<Mesh> objects;
};

DrawingGame::DrawingGame(std::span<const SimMesh> meshes) : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.meshes.assign(meshes.begin(), meshes.end());
    for (const SimMesh& mesh : s.meshes) {
        if (s.failure.empty())
            s.failure = drawableMeshProblem(mesh);
    }
    if (!s.failure.empty())
        return;
    const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_0, D3D_FEATURE_LEVEL_10_1};
    DXGI_SWAP_CHAIN_DESC desc{};
    desc.BufferDesc.Width = 4 * static_cast<UINT>(s.meshes.size());
    desc.BufferDesc.Height = 4;
    desc.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.SampleDesc.Count = 1;
    desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    desc.BufferCount = 1;
    desc.Windowed = 1;
    D3D_FEATURE_LEVEL obtained{};
    if (D3D11CreateDeviceAndSwapChain(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, levels, 2,
                                      D3D11_SDK_VERSION, &desc, &s.swapChain, &s.device, &obtained,
                                      &s.context) != S_OK) {
        s.failure = "D3D11CreateDeviceAndSwapChain failed";
        return;
    }
    s.objects.resize(s.meshes.size());
    for (std::size_t i = 0; i < s.meshes.size(); ++i) {
        const MeshSizes& sizes = s.meshes[i].sizes;
        State::Mesh& mesh = s.objects[i];
        mesh.vertices = createSimBuffer(s.device, sizes.vertexBytes, D3D11_BIND_VERTEX_BUFFER);
        mesh.indices = createSimBuffer(s.device, sizes.indexBytes, D3D11_BIND_INDEX_BUFFER);
        mesh.constants = createSimBuffer(s.device, sizes.constantBytes, D3D11_BIND_CONSTANT_BUFFER);
        const Rgba& c = s.meshes[i].gameColour;
        const std::uint8_t code[9] = {'g', 'a', 'm', 'e', ' ', c[0], c[1], c[2], c[3]};
        if (s.device->CreatePixelShader(code, sizeof code, nullptr, &mesh.shader) != S_OK)
            s.failure = "CreatePixelShader failed";
    }
}

DrawingGame::~DrawingGame() {
    for (State::Mesh& mesh : state_->objects) {
        for (ID3D11Buffer* buffer : {mesh.vertices, mesh.indices, mesh.constants})
            if (buffer)
                buffer->Release();
        if (mesh.shader)
            mesh.shader->Release();
    }
    if (state_->context) {
        state_->context->ClearState();
        state_->context->Release();
    }
    if (state_->device)
        state_->device->Release();
    if (state_->swapChain)
        state_->swapChain->Release();
}

const std::string& DrawingGame::failure() const {
    return state_->failure;
}

const std::vector<SimMesh>& DrawingGame::meshes() const {
    return state_->meshes;
}

std::vector<Rgba> DrawingGame::drawFrame() {
    State& s = *state_;
    std::vector<Rgba> colours(s.meshes.size(), Rgba{});
    if (!s.failure.empty())
        return colours;
    ID3D11DeviceContext* context = s.context;
    for (std::size_t i = 0; i < s.meshes.size(); ++i) {
        State::Mesh& mesh = s.objects[i];
        const UINT offset = 0;
        context->IASetVertexBuffers(0, 1, &mesh.vertices, &s.meshes[i].sizes.stride, &offset);
        context->IASetIndexBuffer(mesh.indices, DXGI_FORMAT_R16_UINT, 0);
        context->PSSetConstantBuffers(0, 1, &mesh.constants);
        // The game binds its shader for every draw, as a plugin may have swapped it.
        context->PSSetShader(mesh.shader, nullptr, 0);
        context->DrawIndexed(6, 0, 0);
        auto* simContext = static_cast<SimDeviceContext*>(context);
        colours[i] = colourOf(simShaderBytecode(simContext->boundPixelShader()));
    }
    s.swapChain->Present(0, 0);
    return colours;
}

long long DrawingGame::driverDraws() const {
    if (!state_->context)
        return -1;
    return static_cast<long long>(
        static_cast<SimDeviceContext*>(state_->context)->drawIndexedCalls());
}

void* const* DrawingGame::contextMethods() const {
    return *reinterpret_cast<void* const* const*>(state_->context);
}

const std::uint8_t* DrawingGame::drawIndexedCode() const {
    return static_cast<const std::uint8_t*>(contextMethods()[12]);
}
