#pragma once
// The frame data record of one game frame, read from the host's camera, ball
// and cars and written as frame_data_writer.h writes groups.

#include "bakkesmod/wrappers/GameObject/BallWrapper.h"
#include "bakkesmod/wrappers/GameObject/CameraWrapper.h"
#include "bakkesmod/wrappers/GameObject/CarWrapper.h"
#include "bakkesmod/wrappers/arraywrapper.h"

#include <string>

// One camera group (location, rotation quaternion, field of view), one ball
// group (location, quaternion) and one group per car, in the host's order.
std::string buildFrameRecord(CameraWrapper& camera, BallWrapper ball,
                             ArrayWrapper<CarWrapper> cars);
