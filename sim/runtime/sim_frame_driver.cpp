#include "sim_frame_driver.h"

#include "reshade_module.h"

namespace {

// The replay that present() shows has this many cars.
constexpr int presentedCars = 2;

} // namespace

SimReplayState SimFrameDriver::replayAt(std::uint32_t frame, int cars) {
    SimReplayState state;
    state.inReplay = true;
    const float n = static_cast<float>(frame);
    state.camera.location = {n, -4608.0f, 1024.0f};
    state.camera.rotation = {0, 16384, 0};
    state.camera.fov = 90.0f;
    state.ball.location = {0.0f, n, 93.15f};
    for (int i = 0; i < cars; ++i)
        state.cars.push_back({{0.0f, -4608.0f, n + static_cast<float>(i)}, {0, 16384 * i, 0}});
    return state;
}

void SimFrameDriver::present(std::uint32_t frame) {
    host_.game().setState(replayAt(frame, presentedCars));
    host_.game().renderFrame();

    static const char* const textures[] = {"Kivren_Main", "Kivren_Depth", "Kivren_Normal"};
    const std::uint32_t w = runtime_.width();
    const std::uint32_t h = runtime_.height();
    for (std::uint32_t pass = 0; pass < 3; ++pass)
        runtime_.drawEffectTexture(textures[pass], simTestPicture(w, h, frame, pass));
    runtime_.drawBackBuffer(simTestPicture(w, h, frame, 3));
    fireFrameEvents(runtime_);
}

void SimFrameDriver::fireFrameEvents(SimEffectRuntime& runtime) {
    StandInReShade& reshade = StandInReShade::instance();
    auto* list = runtime.queue().get_immediate_command_list();
    const std::uint64_t rtv = runtime.backBufferView().handle;
    reshade.fireBeginEffects(&runtime, list, rtv);
    reshade.fireFinishEffects(&runtime, list, rtv);
    reshade.firePresent(&runtime);
}
