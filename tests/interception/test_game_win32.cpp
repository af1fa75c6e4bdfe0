// The test game on the real Direct3D 11 (under Wine in CI): a hidden window of
// its own, a device and swap chain created as a game creates them, and three
// quads side by side in a 12 by 4 target, each with real shaders and an input
// layout (a draw without them crashes Wine's renderer), read back after the
// frame.
#include "test_game.h"

#include <d3d11.h>
#include <d3dcompiler.h>

#include <cstring>

namespace {

constexpr wchar_t gameClass[] = L"KivrenTestGame";
constexpr UINT targetWidth = 12;
constexpr UINT targetHeight = 4;

template <typename T> void release(T*& object) {
    if (object)
        object->Release();
    object = nullptr;
}

ID3DBlob* compile(const char* source, const char* target) {
    ID3DBlob* code = nullptr;
    D3DCompile(source, std::strlen(source), "game", nullptr, nullptr, "main", target, 0, 0, &code,
               nullptr);
    return code;
}

} // namespace

struct TestGame::State {
    std::string failure;
    HWND window = nullptr;
    IDXGISwapChain* swapChain = nullptr;
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
    ID3D11Texture2D* target = nullptr;
    ID3D11RenderTargetView* targetView = nullptr;
    ID3D11Texture2D* readback = nullptr;
    ID3D11VertexShader* vertexShader = nullptr;
    ID3D11InputLayout* layout = nullptr;
    ID3D11PixelShader* pixelShader = nullptr;
    ID3D11RasterizerState* rasterizer = nullptr;
    struct Mesh {
        ID3D11Buffer* vertices = nullptr;
        ID3D11Buffer* indices = nullptr;
        ID3D11Buffer* constants = nullptr;
    };
    std::array<Mesh, gameMeshes.size()> meshes{};

    ID3D11Buffer* buffer(UINT bytes, UINT bind, const void* data) {
        D3D11_BUFFER_DESC desc{};
        desc.ByteWidth = bytes;
        desc.BindFlags = bind;
        const D3D11_SUBRESOURCE_DATA initial{data, 0, 0};
        ID3D11Buffer* created = nullptr;
        if (device->CreateBuffer(&desc, &initial, &created) != S_OK)
            failure = "CreateBuffer failed";
        return created;
    }

    bool create();
};

bool TestGame::State::create() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = gameClass;
    RegisterClassExW(&windowClass);
    window = CreateWindowExW(0, gameClass, L"Kivren Test Game", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) {
        failure = "no window (is DISPLAY set for Wine?)";
        return false;
    }
    DXGI_SWAP_CHAIN_DESC desc{};
    desc.BufferDesc.Width = targetWidth;
    desc.BufferDesc.Height = targetHeight;
    desc.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.SampleDesc.Count = 1;
    desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    desc.BufferCount = 1;
    desc.OutputWindow = window;
    desc.Windowed = TRUE;
    const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_0, D3D_FEATURE_LEVEL_10_1};
    D3D_FEATURE_LEVEL obtained{};
    if (D3D11CreateDeviceAndSwapChain(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, levels, 2,
                                      D3D11_SDK_VERSION, &desc, &swapChain, &device, &obtained,
                                      &context) != S_OK) {
        failure = "D3D11CreateDeviceAndSwapChain failed (is DISPLAY set for Wine?)";
        return false;
    }

    D3D11_TEXTURE2D_DESC texture{};
    texture.Width = targetWidth;
    texture.Height = targetHeight;
    texture.MipLevels = texture.ArraySize = 1;
    texture.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    texture.SampleDesc.Count = 1;
    texture.BindFlags = D3D11_BIND_RENDER_TARGET;
    if (device->CreateTexture2D(&texture, nullptr, &target) != S_OK ||
        device->CreateRenderTargetView(target, nullptr, &targetView) != S_OK)
        return false;
    texture.BindFlags = 0;
    texture.Usage = D3D11_USAGE_STAGING;
    texture.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
    if (device->CreateTexture2D(&texture, nullptr, &readback) != S_OK)
        return false;

    ID3DBlob* vsCode =
        compile("struct VS_IN{ float4 Position : POSITION; float4 Color : COLOR0; };"
                "struct VS_OUT{ float4 Position : SV_Position; float4 Color : COLOR0; };"
                "VS_OUT main(VS_IN v){ VS_OUT o; o.Position = v.Position; o.Color = v.Color; "
                "return o; }",
                "vs_4_0");
    if (!vsCode)
        return false;
    const D3D11_INPUT_ELEMENT_DESC elements[] = {
        {"POSITION", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"COLOR", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 16, D3D11_INPUT_PER_VERTEX_DATA, 0},
    };
    HRESULT hr = device->CreateVertexShader(vsCode->GetBufferPointer(), vsCode->GetBufferSize(),
                                            nullptr, &vertexShader);
    if (hr == S_OK)
        hr = device->CreateInputLayout(elements, 2, vsCode->GetBufferPointer(),
                                       vsCode->GetBufferSize(), &layout);
    vsCode->Release();
    ID3DBlob* psCode = compile("struct VS_OUT{ float4 Position : SV_Position; float4 Color : "
                               "COLOR0; };float4 main(VS_OUT i) : SV_Target{ return i.Color; }",
                               "ps_4_0");
    if (hr != S_OK || !psCode)
        return false;
    hr = device->CreatePixelShader(psCode->GetBufferPointer(), psCode->GetBufferSize(), nullptr,
                                   &pixelShader);
    psCode->Release();
    if (hr != S_OK)
        return false;

    D3D11_RASTERIZER_DESC raster{};
    raster.FillMode = D3D11_FILL_SOLID;
    raster.CullMode = D3D11_CULL_NONE;
    raster.DepthClipEnable = TRUE;
    if (device->CreateRasterizerState(&raster, &rasterizer) != S_OK)
        return false;

    // Mesh i is a quad over columns 4i to 4i+3, in the game's colour for it.
    for (std::size_t i = 0; i < gameMeshes.size(); ++i) {
        const MeshSizes& sizes = gameMeshes[i];
        std::vector<float> vertices(sizes.vertexBytes / sizeof(float));
        const float left = -1.0f + 2.0f * static_cast<float>(i) / 3.0f;
        const float right = left + 2.0f / 3.0f;
        const float corners[4][2] = {{left, -1}, {left, 1}, {right, -1}, {right, 1}};
        for (int v = 0; v < 4; ++v) {
            const float vertex[8] = {corners[v][0],
                                     corners[v][1],
                                     0.5f,
                                     1.0f,
                                     gameColours[i][0] / 255.0f,
                                     gameColours[i][1] / 255.0f,
                                     gameColours[i][2] / 255.0f,
                                     1.0f};
            std::memcpy(&vertices[v * 8], vertex, sizeof vertex);
        }
        std::vector<std::uint16_t> indices(sizes.indexBytes / sizeof(std::uint16_t));
        const std::uint16_t quad[6] = {0, 1, 2, 2, 1, 3};
        std::memcpy(indices.data(), quad, sizeof quad);
        std::vector<std::uint8_t> constants(sizes.constantBytes);
        meshes[i].vertices = buffer(sizes.vertexBytes, D3D11_BIND_VERTEX_BUFFER, vertices.data());
        meshes[i].indices = buffer(sizes.indexBytes, D3D11_BIND_INDEX_BUFFER, indices.data());
        meshes[i].constants =
            buffer(sizes.constantBytes, D3D11_BIND_CONSTANT_BUFFER, constants.data());
    }
    return failure.empty();
}

TestGame::TestGame() : state_(std::make_unique<State>()) {
    if (!state_->create() && state_->failure.empty())
        state_->failure = "creating the game's objects failed";
}

TestGame::~TestGame() {
    State& s = *state_;
    for (State::Mesh& mesh : s.meshes) {
        release(mesh.vertices);
        release(mesh.indices);
        release(mesh.constants);
    }
    release(s.rasterizer);
    release(s.pixelShader);
    release(s.layout);
    release(s.vertexShader);
    release(s.readback);
    release(s.targetView);
    release(s.target);
    if (s.context)
        s.context->ClearState();
    release(s.context);
    release(s.device);
    release(s.swapChain);
    if (s.window)
        DestroyWindow(s.window);
    UnregisterClassW(gameClass, GetModuleHandleW(nullptr));
}

const std::string& TestGame::failure() const {
    return state_->failure;
}

std::vector<Rgba> TestGame::drawFrame() {
    State& s = *state_;
    ID3D11DeviceContext* context = s.context;
    const float clear[4] = {0, 0, 0, 0};
    context->ClearRenderTargetView(s.targetView, clear);
    context->IASetInputLayout(s.layout);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    context->VSSetShader(s.vertexShader, nullptr, 0);
    context->RSSetState(s.rasterizer);
    const D3D11_VIEWPORT viewport{0, 0, targetWidth, targetHeight, 0, 1};
    context->RSSetViewports(1, &viewport);
    context->OMSetRenderTargets(1, &s.targetView, nullptr);
    for (std::size_t i = 0; i < gameMeshes.size(); ++i) {
        const UINT offset = 0;
        context->IASetVertexBuffers(0, 1, &s.meshes[i].vertices, &gameMeshes[i].stride, &offset);
        context->IASetIndexBuffer(s.meshes[i].indices, DXGI_FORMAT_R16_UINT, 0);
        context->PSSetConstantBuffers(0, 1, &s.meshes[i].constants);
        // The game binds its shader for every draw, as a plugin may have swapped it.
        context->PSSetShader(s.pixelShader, nullptr, 0);
        context->DrawIndexed(6, 0, 0);
    }

    std::vector<Rgba> colours(gameMeshes.size(), Rgba{});
    context->CopyResource(s.readback, s.target);
    D3D11_MAPPED_SUBRESOURCE mapped{};
    if (context->Map(s.readback, 0, D3D11_MAP_READ, 0, &mapped) == S_OK) {
        const auto* row = static_cast<const std::uint8_t*>(mapped.pData) + 2 * mapped.RowPitch;
        for (std::size_t i = 0; i < colours.size(); ++i)
            std::memcpy(colours[i].data(), row + 4 * (4 * i + 2), 4);
        context->Unmap(s.readback, 0);
    }
    return colours;
}

long long TestGame::driverDraws() const {
    return -1;
}

void* const* TestGame::contextMethods() const {
    return *reinterpret_cast<void* const* const*>(state_->context);
}

const std::uint8_t* TestGame::drawIndexedCode() const {
    return static_cast<const std::uint8_t*>(contextMethods()[12]);
}
