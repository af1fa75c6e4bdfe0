#pragma once
// What one game frame gives the frame data log.

#include "bakkesmod/wrappers/GameWrapper.h"

#include <string>

struct FrameSample {
    bool inReplay = false;
    // Empty outside a replay, and when the camera, the replay, its ball or
    // its car array is missing.
    std::string record;
};

FrameSample sampleGameFrame(GameWrapper& game);
