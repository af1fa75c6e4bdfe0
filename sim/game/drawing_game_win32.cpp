// The drawing game on the real Direct3D 11 (under Wine in CI): a hidden
// window of its own, a device and swap chain created as a game creates them,
// and one quad per mesh, each in its own 4 by 4 cell of a small target, drawn
// with real shaders and an input layout (a draw without them crashes Wine's
// renderer). The target is read back once per frame.
#include "d3d11_helpers_win32.h"
#include "drawing_game.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr wchar_t gameClass[] = L"KivrenDrawingGame";
constexpr UINT cell = 4;

} // namespace

struct DrawingGame::State {
    std::string failure;
    std::vector<SimMesh> meshes;
    UINT width = cell;
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
    std::vector<Mesh> objects;

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

    bool createWindowAndDevice();
    bool createTargetAndShaders();
    void createMesh(std::size_t i);
};

bool DrawingGame::State::createWindowAndDevice() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = gameClass;
    RegisterClassExW(&windowClass);
    window = CreateWindowExW(0, gameClass, L"Kivren Drawing Game", WS_OVERLAPPEDWINDOW, 0, 0, 64,
                             64, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) {
        failure = "no window (is DISPLAY set for Wine?)";
        return false;
    }
    DXGI_SWAP_CHAIN_DESC desc{};
    desc.BufferDesc.Width = width;
    desc.BufferDesc.Height = cell;
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
    return true;
}

bool DrawingGame::State::createTargetAndShaders() {
    D3D11_TEXTURE2D_DESC texture{};
    texture.Width = width;
    texture.Height = cell;
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

    ID3DBlob* vsCode = compileShader(colourVertexShader, "vs_4_0");
    if (!vsCode)
        return false;
    HRESULT hr = device->CreateVertexShader(vsCode->GetBufferPointer(), vsCode->GetBufferSize(),
                                            nullptr, &vertexShader);
    if (hr == S_OK)
        hr = device->CreateInputLayout(colourVertexElements, 2, vsCode->GetBufferPointer(),
                                       vsCode->GetBufferSize(), &layout);
    vsCode->Release();
    ID3DBlob* psCode = compileShader(colourPixelShader, "ps_4_0");
    if (hr != S_OK || !psCode) {
        releaseObject(psCode);
        return false;
    }
    hr = device->CreatePixelShader(psCode->GetBufferPointer(), psCode->GetBufferSize(), nullptr,
                                   &pixelShader);
    psCode->Release();
    if (hr != S_OK)
        return false;

    D3D11_RASTERIZER_DESC raster{};
    raster.FillMode = D3D11_FILL_SOLID;
    raster.CullMode = D3D11_CULL_NONE;
    raster.DepthClipEnable = TRUE;
    return device->CreateRasterizerState(&raster, &rasterizer) == S_OK;
}

// Mesh i is a quad over the columns of cell i, in the game's colour for it.
void DrawingGame::State::createMesh(std::size_t i) {
    const SimMesh& mesh = meshes[i];
    const MeshSizes& sizes = mesh.sizes;
    const float cells = static_cast<float>(meshes.size());
    const float left = -1.0f + 2.0f * static_cast<float>(i) / cells;
    const float right = left + 2.0f / cells;
    const float corners[4][2] = {{left, -1}, {left, 1}, {right, -1}, {right, 1}};
    std::vector<std::uint8_t> vertices(sizes.vertexBytes);
    for (std::size_t v = 0; v < 4; ++v) {
        const float vertex[8] = {corners[v][0],
                                 corners[v][1],
                                 0.5f,
                                 1.0f,
                                 mesh.gameColour[0] / 255.0f,
                                 mesh.gameColour[1] / 255.0f,
                                 mesh.gameColour[2] / 255.0f,
                                 1.0f};
        std::memcpy(&vertices[v * sizes.stride], vertex, sizeof vertex);
    }
    std::vector<std::uint8_t> indices(sizes.indexBytes);
    const std::uint16_t quad[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(indices.data(), quad, sizeof quad);
    std::vector<std::uint8_t> constants(sizes.constantBytes);
    objects[i].vertices = buffer(sizes.vertexBytes, D3D11_BIND_VERTEX_BUFFER, vertices.data());
    objects[i].indices = buffer(sizes.indexBytes, D3D11_BIND_INDEX_BUFFER, indices.data());
    objects[i].constants =
        buffer(sizes.constantBytes, D3D11_BIND_CONSTANT_BUFFER, constants.data());
}

DrawingGame::DrawingGame(std::span<const SimMesh> meshes) : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.meshes.assign(meshes.begin(), meshes.end());
    for (const SimMesh& mesh : s.meshes) {
        if (s.failure.empty())
            s.failure = drawableMeshProblem(mesh);
    }
    if (!s.failure.empty())
        return;
    s.width = cell * static_cast<UINT>(std::max<std::size_t>(s.meshes.size(), 1));
    if (!s.createWindowAndDevice())
        return;
    if (!s.createTargetAndShaders()) {
        s.failure = "creating the game's target and shaders failed";
        return;
    }
    s.objects.resize(s.meshes.size());
    for (std::size_t i = 0; i < s.meshes.size(); ++i)
        s.createMesh(i);
}

DrawingGame::~DrawingGame() {
    State& s = *state_;
    for (State::Mesh& mesh : s.objects) {
        releaseObject(mesh.vertices);
        releaseObject(mesh.indices);
        releaseObject(mesh.constants);
    }
    releaseObject(s.rasterizer);
    releaseObject(s.pixelShader);
    releaseObject(s.layout);
    releaseObject(s.vertexShader);
    releaseObject(s.readback);
    releaseObject(s.targetView);
    releaseObject(s.target);
    if (s.context)
        s.context->ClearState();
    releaseObject(s.context);
    releaseObject(s.device);
    releaseObject(s.swapChain);
    if (s.window)
        DestroyWindow(s.window);
    UnregisterClassW(gameClass, GetModuleHandleW(nullptr));
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
    const float clear[4] = {0, 0, 0, 0};
    context->ClearRenderTargetView(s.targetView, clear);
    context->IASetInputLayout(s.layout);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    context->VSSetShader(s.vertexShader, nullptr, 0);
    context->RSSetState(s.rasterizer);
    const D3D11_VIEWPORT viewport{0, 0, static_cast<float>(s.width), cell, 0, 1};
    context->RSSetViewports(1, &viewport);
    context->OMSetRenderTargets(1, &s.targetView, nullptr);
    for (std::size_t i = 0; i < s.meshes.size(); ++i) {
        const UINT offset = 0;
        context->IASetVertexBuffers(0, 1, &s.objects[i].vertices, &s.meshes[i].sizes.stride,
                                    &offset);
        context->IASetIndexBuffer(s.objects[i].indices, DXGI_FORMAT_R16_UINT, 0);
        context->PSSetConstantBuffers(0, 1, &s.objects[i].constants);
        // The game binds its shader for every draw, as a plugin may have swapped it.
        context->PSSetShader(s.pixelShader, nullptr, 0);
        context->DrawIndexed(6, 0, 0);
    }

    context->CopyResource(s.readback, s.target);
    D3D11_MAPPED_SUBRESOURCE mapped{};
    if (context->Map(s.readback, 0, D3D11_MAP_READ, 0, &mapped) == S_OK) {
        const auto* row = static_cast<const std::uint8_t*>(mapped.pData) + 2 * mapped.RowPitch;
        for (std::size_t i = 0; i < colours.size(); ++i)
            std::memcpy(colours[i].data(), row + 4 * (cell * i + cell / 2), 4);
        context->Unmap(s.readback, 0);
    }
    return colours;
}

long long DrawingGame::driverDraws() const {
    return -1;
}

void* const* DrawingGame::contextMethods() const {
    return *reinterpret_cast<void* const* const*>(state_->context);
}

const std::uint8_t* DrawingGame::drawIndexedCode() const {
    return static_cast<const std::uint8_t*>(contextMethods()[12]);
}
