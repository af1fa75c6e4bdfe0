// What the installed interception adds to each indexed draw of a real
// Direct3D 11 context (Wine's, in CI), for the Windows build, which has no
// Google Benchmark: the same DrawIndexed of a small quad timed without the
// plugin, with the built plugin loaded into the stand-in host and both
// features off (in a replay, preview and debug-models mode off), outside a
// replay, and without the plugin again. Prints the median of many short
// runs of each; asserts nothing.
#include "reshade_module.h"
#include "sim_host.h"

#include <d3d11.h>
#include <d3dcompiler.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace {

// Short runs, each starting with the driver idle: Wine queues the draws for
// a thread of its own, and a long run would time that thread, not the call.
constexpr int drawsPerRun = 1000;
constexpr int runs = 51;

constexpr const char* vertexShader = "float4 main(float4 p : POSITION) : SV_Position { return p; }";
constexpr const char* pixelShader = "float4 main() : SV_Target { return float4(1, 0, 0, 1); }";

// A device and the state of one quad drawn into a small render target, as a
// game leaves it before its draws.
struct Scene {
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;

    // Empty when everything was created.
    std::string create() {
        const D3D_FEATURE_LEVEL level = D3D_FEATURE_LEVEL_11_0;
        if (FAILED(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, &level, 1,
                                     D3D11_SDK_VERSION, &device, nullptr, &context)))
            return "no Direct3D 11 device";
        D3D11_TEXTURE2D_DESC target{};
        target.Width = target.Height = 64;
        target.MipLevels = target.ArraySize = 1;
        target.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
        target.SampleDesc.Count = 1;
        target.BindFlags = D3D11_BIND_RENDER_TARGET;
        ID3D11Texture2D* texture = nullptr;
        ID3D11RenderTargetView* view = nullptr;
        if (FAILED(device->CreateTexture2D(&target, nullptr, &texture)) ||
            FAILED(device->CreateRenderTargetView(texture, nullptr, &view)))
            return "no render target";
        context->OMSetRenderTargets(1, &view, nullptr);
        const D3D11_VIEWPORT viewport{0, 0, 64, 64, 0, 1};
        context->RSSetViewports(1, &viewport);

        ID3DBlob* vs = compile(vertexShader, "vs_4_0");
        ID3DBlob* ps = compile(pixelShader, "ps_4_0");
        ID3D11VertexShader* vertex = nullptr;
        ID3D11PixelShader* pixel = nullptr;
        ID3D11InputLayout* layout = nullptr;
        const D3D11_INPUT_ELEMENT_DESC element{
            "POSITION", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0};
        if (!vs || !ps ||
            FAILED(device->CreateVertexShader(vs->GetBufferPointer(), vs->GetBufferSize(), nullptr,
                                              &vertex)) ||
            FAILED(device->CreatePixelShader(ps->GetBufferPointer(), ps->GetBufferSize(), nullptr,
                                             &pixel)) ||
            FAILED(device->CreateInputLayout(&element, 1, vs->GetBufferPointer(),
                                             vs->GetBufferSize(), &layout)))
            return "no shaders";
        context->VSSetShader(vertex, nullptr, 0);
        context->PSSetShader(pixel, nullptr, 0);
        context->IASetInputLayout(layout);
        context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);

        const float corners[4][4] = {{-1, -1, 0, 1}, {-1, 1, 0, 1}, {1, 1, 0, 1}, {1, -1, 0, 1}};
        const UINT16 indices[6] = {0, 1, 2, 0, 2, 3};
        ID3D11Buffer* vertices = buffer(corners, sizeof corners, D3D11_BIND_VERTEX_BUFFER);
        ID3D11Buffer* indexBuffer = buffer(indices, sizeof indices, D3D11_BIND_INDEX_BUFFER);
        if (!vertices || !indexBuffer)
            return "no buffers";
        const UINT stride = sizeof corners[0];
        const UINT offset = 0;
        context->IASetVertexBuffers(0, 1, &vertices, &stride, &offset);
        context->IASetIndexBuffer(indexBuffer, DXGI_FORMAT_R16_UINT, 0);
        // The context holds what is bound; the scene lives for the whole run.
        return "";
    }

    static ID3DBlob* compile(const char* source, const char* target) {
        ID3DBlob* code = nullptr;
        ID3DBlob* errors = nullptr;
        D3DCompile(source, std::strlen(source), "timing", nullptr, nullptr, "main", target, 0, 0,
                   &code, &errors);
        if (errors)
            errors->Release();
        return code;
    }

    ID3D11Buffer* buffer(const void* data, UINT size, UINT bind) const {
        D3D11_BUFFER_DESC desc{};
        desc.ByteWidth = size;
        desc.BindFlags = bind;
        const D3D11_SUBRESOURCE_DATA initial{data, 0, 0};
        ID3D11Buffer* created = nullptr;
        device->CreateBuffer(&desc, &initial, &created);
        return created;
    }
};

void waitUntilIdle(ID3D11Device* device, ID3D11DeviceContext* context) {
    const D3D11_QUERY_DESC desc{D3D11_QUERY_EVENT, 0};
    ID3D11Query* done = nullptr;
    if (FAILED(device->CreateQuery(&desc, &done)))
        return;
    context->End(done);
    BOOL finished = FALSE;
    while (context->GetData(done, &finished, sizeof finished, 0) != S_OK)
        Sleep(0);
    done->Release();
}

double medianNanosecondsPerDraw(const Scene& scene) {
    std::array<double, runs> perDraw{};
    for (double& result : perDraw) {
        waitUntilIdle(scene.device, scene.context);
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < drawsPerRun; ++i)
            scene.context->DrawIndexed(6, 0, 0);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        result = std::chrono::duration<double, std::nano>(elapsed).count() / drawsPerRun;
    }
    std::sort(perDraw.begin(), perDraw.end());
    return perDraw[runs / 2];
}

} // namespace

int main() {
    Scene scene;
    if (const std::string failure = scene.create(); !failure.empty()) {
        std::fprintf(stderr, "interception_timing: %s\n", failure.c_str());
        return 1;
    }
    ID3D11DeviceContext* context = scene.context;
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / "kivren-interception-timing";
    std::filesystem::create_directories(root);
    // The plugin registers with ReShade as it loads.
    StandInReShade::instance().reset();
    auto host = std::make_unique<SimHost>(root);

    const double without = medianNanosecondsPerDraw(scene);
    std::string error;
    if (!host->loadPlugin(SimHost::builtPlugin(), &error)) {
        std::fprintf(stderr, "interception_timing: the plugin did not load: %s\n", error.c_str());
        return 1;
    }
    host->console().run("kivren_custom_pass_preview 0; kivren_debug_models 0");
    host->game().setInReplay(true);
    host->game().renderFrame();
    // The first replay draw takes the device and builds the highlight.
    context->DrawIndexed(6, 0, 0);
    const double inReplay = medianNanosecondsPerDraw(scene);
    host->game().setInReplay(false);
    host->game().renderFrame();
    const double outsideReplay = medianNanosecondsPerDraw(scene);
    host->unloadPlugin();
    const double withoutAgain = medianNanosecondsPerDraw(scene);

    std::printf("DrawIndexed, ns per draw (median of %d runs of %d draws)\n", runs, drawsPerRun);
    std::printf("  without the plugin            %8.1f\n", without);
    std::printf("  in a replay, features off     %8.1f  (%+.1f)\n", inReplay, inReplay - without);
    std::printf("  outside a replay              %8.1f  (%+.1f)\n", outsideReplay,
                outsideReplay - without);
    std::printf("  without the plugin again      %8.1f\n", withoutAgain);

    host.reset();
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    // The device goes with the process.
    return 0;
}
