// What the installed interception adds to each indexed draw of the game:
// the same DrawIndexed on the stand-in d3d11 module's context, first without
// the plugin, then with the built plugin loaded into the stand-in host and
// its hook in place, with both features off (in a replay, preview and
// debug-models mode off) and outside a replay. The difference between the
// first and the others is the cost of the detour.
#include "reshade_module.h"
#include "sim_d3d11.h"
#include "sim_host.h"
#include "stand_in_d3d11_module.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <stdexcept>

namespace {

// The game: its device and context from the module, one mesh bound.
struct Game {
    Game() {
        const D3D_FEATURE_LEVEL level = D3D_FEATURE_LEVEL_11_0;
        DXGI_SWAP_CHAIN_DESC desc{};
        if (D3D11CreateDeviceAndSwapChain(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, &level, 1,
                                          D3D11_SDK_VERSION, &desc, &swapChain, &device, nullptr,
                                          &context) != S_OK)
            throw std::runtime_error("no stand-in device");
        ID3D11Buffer* vertices = createSimBuffer(device, 65536, D3D11_BIND_VERTEX_BUFFER);
        ID3D11Buffer* indices = createSimBuffer(device, 12288, D3D11_BIND_INDEX_BUFFER);
        ID3D11Buffer* constants = createSimBuffer(device, 4096, D3D11_BIND_CONSTANT_BUFFER);
        const UINT stride = 32;
        const UINT offset = 0;
        context->IASetVertexBuffers(0, 1, &vertices, &stride, &offset);
        context->IASetIndexBuffer(indices, DXGI_FORMAT_R16_UINT, 0);
        context->PSSetConstantBuffers(0, 1, &constants);
        vertices->Release();
        indices->Release();
        constants->Release();
    }

    IDXGISwapChain* swapChain = nullptr;
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
};

Game& game() {
    static Game instance;
    return instance;
}

// The host and its folders live for the whole run; the plugin comes and goes.
struct Host {
    Host() : root(std::filesystem::temp_directory_path() / "kivren-interception-bench") {
        std::filesystem::create_directories(root);
        StandInReShade::instance().reset();
        host = std::make_unique<SimHost>(root);
    }
    ~Host() {
        host.reset();
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    std::filesystem::path root;
    std::unique_ptr<SimHost> host;
};

Host& host() {
    static Host instance;
    return instance;
}

void setPlugin(bool loaded, bool inReplay) {
    SimHost& sim = *host().host;
    if (!loaded) {
        sim.unloadPlugin();
        return;
    }
    if (!sim.pluginMapped() && !sim.loadPlugin(SimHost::builtPlugin()))
        throw std::runtime_error("the plugin did not load");
    sim.console().run("kivren_custom_pass_preview 0; kivren_debug_models 0");
    sim.game().setInReplay(inReplay);
    sim.game().renderFrame();
    // The first replay draw takes the device and builds the highlight.
    game().context->DrawIndexed(6, 0, 0);
}

void drawLoop(benchmark::State& state) {
    ID3D11DeviceContext* context = game().context;
    for (auto _ : state) {
        context->DrawIndexed(6, 0, 0);
        benchmark::ClobberMemory();
    }
}

void BM_DrawWithoutPlugin(benchmark::State& state) {
    setPlugin(false, false);
    drawLoop(state);
}

void BM_DrawInterceptedInReplayFeaturesOff(benchmark::State& state) {
    setPlugin(true, true);
    drawLoop(state);
}

void BM_DrawInterceptedOutsideReplay(benchmark::State& state) {
    setPlugin(true, false);
    drawLoop(state);
}

void BM_DrawWithoutPluginAgain(benchmark::State& state) {
    setPlugin(false, false);
    drawLoop(state);
}

} // namespace

BENCHMARK(BM_DrawWithoutPlugin);
BENCHMARK(BM_DrawInterceptedInReplayFeaturesOff);
BENCHMARK(BM_DrawInterceptedOutsideReplay);
BENCHMARK(BM_DrawWithoutPluginAgain);

BENCHMARK_MAIN();
