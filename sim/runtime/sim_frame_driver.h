#pragma once
// One presented game frame, in the order the game and ReShade make it: the
// host's drawables run (the plugin samples the replay), the game draws its
// back buffer and kivren2.fx its three textures, then ReShade fires events
// 76 (begin effects), 77 (finish effects) and 75 (present).

#include "sim_effect_runtime.h"
#include "sim_host.h"

#include <cstdint>

class SimFrameDriver {
public:
    SimFrameDriver(SimHost& host, SimEffectRuntime& runtime) : host_(host), runtime_(runtime) {}

    // Frame n's pictures: simTestPicture(..., n, pass) for Kivren_Main (0),
    // Kivren_Depth (1), Kivren_Normal (2) and the back buffer (3). The replay
    // shows the camera at X = n, the ball at Y = n and each car i at Z = n + i.
    void present(std::uint32_t frame);

    // ReShade's part of a frame whose pictures are drawn: events 76, 77, 75
    // on the runtime's back buffer.
    static void fireFrameEvents(SimEffectRuntime& runtime);

    static SimReplayState replayAt(std::uint32_t frame, int cars);

private:
    SimHost& host_;
    SimEffectRuntime& runtime_;
};
