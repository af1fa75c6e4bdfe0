// The cost of onDrawIndexed for one draw, in the four situations that matter
// to a game: outside a replay; in a replay with both features off; with the ID
// pass active and the drawn mesh listed (a hit); and active with the mesh not
// listed (a miss). An empty call through a function pointer in the same run
// is the floor to subtract.
#include "core/kivren.h"
#include "sim_d3d11.h"

#include <benchmark/benchmark.h>

#include <fmt/format.h>

namespace {

struct Rig {
    explicit Rig(const MeshKey& drawn) {
        createSimDevice(&device, &context);
        ID3D11Buffer* vertices =
            createSimBuffer(device, drawn.vertexBytes, D3D11_BIND_VERTEX_BUFFER);
        ID3D11Buffer* indices = createSimBuffer(device, drawn.indexBytes, D3D11_BIND_INDEX_BUFFER);
        ID3D11Buffer* constants =
            createSimBuffer(device, drawn.constantBytes, D3D11_BIND_CONSTANT_BUFFER);
        const UINT offset = 0;
        context->IASetVertexBuffers(0, 1, &vertices, &drawn.stride, &offset);
        context->IASetIndexBuffer(indices, DXGI_FORMAT_R16_UINT, 0);
        context->PSSetConstantBuffers(0, 1, &constants);
        vertices->Release();
        indices->Release();
        constants->Release();
        // A first replay draw takes the device and builds the highlight.
        plugin.setInReplay(true);
        plugin.onDrawIndexed(context);
        // A realistic pass: a few hundred listed meshes.
        for (MeshHash hash = 1; hash <= 300; ++hash)
            plugin.addMeshHash(fmt::format("{:x}", hash * 0x9e3779b97f4a7c15ull));
    }
    ~Rig() {
        plugin.onUnload();
        context->Release();
        device->Release();
    }

    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
    Kivren plugin;
};

const MeshKey drawnKey{32, 65536, 12288, 4096};

void run(benchmark::State& state, Rig& rig) {
    Kivren* plugin = &rig.plugin;
    ID3D11DeviceContext* context = rig.context;
    benchmark::DoNotOptimize(plugin);
    for (auto _ : state) {
        plugin->onDrawIndexed(context);
        benchmark::ClobberMemory();
    }
}

__attribute__((noinline)) void emptyDraw(ID3D11DeviceContext* context) {
    benchmark::DoNotOptimize(context);
}

void BM_EmptyCall(benchmark::State& state) {
    Rig rig(drawnKey);
    void (*volatile call)(ID3D11DeviceContext*) = emptyDraw;
    for (auto _ : state) {
        call(rig.context);
        benchmark::ClobberMemory();
    }
}

void BM_OutsideReplay(benchmark::State& state) {
    Rig rig(drawnKey);
    rig.plugin.setInReplay(false);
    rig.plugin.settings().setSwitch(Switch::CustomPassPreview, true);
    run(state, rig);
}

void BM_ReplayFeaturesOff(benchmark::State& state) {
    Rig rig(drawnKey);
    run(state, rig);
}

void BM_IdPassHit(benchmark::State& state) {
    Rig rig(drawnKey);
    rig.plugin.settings().setSwitch(Switch::CustomPassPreview, true);
    rig.plugin.addMeshHash("4dc13974d71cc7a7");
    run(state, rig);
}

void BM_IdPassMiss(benchmark::State& state) {
    Rig rig(drawnKey);
    rig.plugin.settings().setSwitch(Switch::CustomPassPreview, true);
    run(state, rig);
}

} // namespace

BENCHMARK(BM_EmptyCall);
BENCHMARK(BM_OutsideReplay);
BENCHMARK(BM_ReplayFeaturesOff);
BENCHMARK(BM_IdPassHit);
BENCHMARK(BM_IdPassMiss);
BENCHMARK_MAIN();
