// What kivren-sim pays per frame for the synthetic replay at 1920x1080: the
// game's frame (render) and kivren2.fx's three pictures (renderEffects),
// apart and together, over a stretch of scripted frames with eight cars.
#include "sim_scene.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int cars = 8;

struct Rig {
    Rig(std::uint32_t w, std::uint32_t h) : renderer(w, h), looks(sceneMeshes(cars).size()) {
        // The ball and two cars in flat colours, as with the ID pass on.
        looks[3] = {true, {255, 0, 0, 255}};
        looks[4] = {true, {0, 255, 0, 255}};
        looks[5] = {true, {0, 0, 255, 255}};
    }
    SceneRenderer renderer;
    std::vector<MeshLook> looks;
    SimPicture main, depth, normal;
    std::uint32_t frame = 0;

    SimReplayState next() {
        frame = (frame + 7) % (60 * 120);
        return sceneAt(frame, 60.0, cars);
    }
};

void BM_Render(benchmark::State& state) {
    Rig rig(static_cast<std::uint32_t>(state.range(0)), static_cast<std::uint32_t>(state.range(1)));
    for (auto _ : state) {
        rig.renderer.render(rig.next(), rig.looks);
        benchmark::DoNotOptimize(rig.renderer.backBuffer().rgba.data());
    }
}

void BM_RenderEffects(benchmark::State& state) {
    Rig rig(static_cast<std::uint32_t>(state.range(0)), static_cast<std::uint32_t>(state.range(1)));
    rig.renderer.render(rig.next(), rig.looks);
    for (auto _ : state) {
        rig.renderer.renderEffects(rig.main, rig.depth, rig.normal);
        benchmark::DoNotOptimize(rig.normal.rgba.data());
    }
}

void BM_Frame(benchmark::State& state) {
    Rig rig(static_cast<std::uint32_t>(state.range(0)), static_cast<std::uint32_t>(state.range(1)));
    for (auto _ : state) {
        rig.renderer.render(rig.next(), rig.looks);
        rig.renderer.renderEffects(rig.main, rig.depth, rig.normal);
        benchmark::DoNotOptimize(rig.normal.rgba.data());
    }
}

} // namespace

BENCHMARK(BM_Render)->Args({1920, 1080})->Args({1280, 720})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderEffects)->Args({1920, 1080})->Args({1280, 720})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Frame)->Args({1920, 1080})->Args({1280, 720})->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
