#pragma once
// Writes the groups of a frame data record (frame_data_format.h) from plain
// numbers. Every number is a 32-bit float printed as C's "%g" would print it
// in the "C" locale, whatever locale the game process runs in.

#include <ostream>

struct FrameLocation {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// An actor's rotation as the game keeps it, in rotator units.
struct FrameRotation {
    int pitch = 0;
    int yaw = 0;
    int roll = 0;
};

// One number as "%g" with precision 6 in the "C" locale.
std::ostream& writeFrameNumber(std::ostream& out, float value);

// The rotation as the quaternion "X,Y,Z,W".
std::ostream& writeRotationQuat(std::ostream& out, FrameRotation rotation);

// The camera's group: location, quaternion, field of view, and its end.
std::ostream& writeCameraGroup(std::ostream& out, FrameLocation location, FrameRotation rotation,
                               float fieldOfView);

// The group of the ball or of one car: location, quaternion, and its end.
std::ostream& writeActorGroup(std::ostream& out, FrameLocation location, FrameRotation rotation);
