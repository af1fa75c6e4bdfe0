#pragma once
// The frame data record: camera, ball and cars of one game frame as one
// line-free text of ";"-ended groups of ","-separated numbers. Every number
// is a 32-bit float printed as C's "%g" would print it in the "C" locale,
// whatever locale the game process runs in.

#include "bakkesmod/wrappers/GameObject/BallWrapper.h"
#include "bakkesmod/wrappers/GameObject/CameraWrapper.h"
#include "bakkesmod/wrappers/GameObject/CarWrapper.h"
#include "bakkesmod/wrappers/arraywrapper.h"
#include "bakkesmod/wrappers/wrapperstructs.h"

#include <ostream>
#include <string>

// One camera group (location, rotation quaternion, field of view), one ball
// group (location, quaternion) and one group per car, in the host's order.
std::string buildFrameRecord(CameraWrapper& camera, BallWrapper ball,
                             ArrayWrapper<CarWrapper> cars);

// The rotator as the quaternion "X,Y,Z,W".
std::ostream& writeRotationQuat(std::ostream& out, const Rotator& rotation);

// One number as "%g" with precision 6 in the "C" locale.
std::ostream& writeFrameNumber(std::ostream& out, float value);
