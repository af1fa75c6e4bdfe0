#pragma once
// From the game's frame to the one a 3D or compositing tool works in.
//
// The game measures in Unreal units (1 uu = 1 cm) in a left-handed frame with
// X forward, Y right and Z up. Every target frame here is right-handed:
//   z-up (Blender, 3ds Max, Unreal-style tools):  x = X, y = -Y, z = Z
//   y-up (Nuke, Maya, Houdini, glTF):              x = X, y = Z,  z = Y
// each scaled to metres or kept in centimetres. Mirroring Y (or swapping Y and
// Z) mirrors the camera together with the world, so the picture it sees is
// not mirrored: what is right of the game's camera is right of the target's.
//
// Rotations in the file are the Rotator's quaternion (Yaw about Z, then Pitch
// about -Y, then Roll about -X, applied to the actor in the reverse order),
// a proper rotation of the game's own axes. Mirrored, the game's
// q = (x, y, z, w) becomes (-x, y, -z, w) in z-up.
//   Ball and cars: the actor's own axes come along, so in z-up a car's local
//   +X is its nose, +Y its left side and +Z its roof.
//   Camera: the target's camera convention, looking down its local -Z with
//   +Y up and +X to the right of the picture (Blender, Nuke, Maya, glTF).

#include "frame_data.h"

#include <array>

enum class Axes { ZUp, YUp };
enum class LengthUnit { Metre, Centimetre };
// As Blender's camera sensor fit: which sensor side the focal length spans.
enum class SensorFit { Automatic, Horizontal, Vertical };

struct Vec3 {
    double x = 0.0, y = 0.0, z = 0.0;
};

struct Quaternion {
    double x = 0.0, y = 0.0, z = 0.0, w = 1.0;
};

struct ConversionOptions {
    double fps = 30.0;   // the plugin's default kivren_fps
    long startFrame = 1; // frame number of the file's first entry
    Axes axes = Axes::ZUp;
    LengthUnit unit = LengthUnit::Metre;
    double aspect = 16.0 / 9.0; // width over height of the recorded videos
    SensorFit sensorFit = SensorFit::Automatic;
    double sensorWidth = 36.0; // millimetres
    double sensorHeight = 24.0;
};

Vec3 convertLocation(const std::array<float, 3>& game, const ConversionOptions& options);
Quaternion convertActorRotation(const std::array<float, 4>& game, Axes axes);
Quaternion convertCameraRotation(const std::array<float, 4>& game, Axes axes);

// Euler angles in degrees for the rotation order ZXY (Nuke's default): the
// rotation is Ry(y) * Rx(x) * Rz(z) on column vectors, so a camera is rolled
// first, then tilted, then panned. Of the equivalent triples, the one nearest
// to previous is returned, so that a path crossing +-180 degrees or passing
// straight up does not jump by a full turn between frames.
Vec3 eulerZxyDegrees(const Quaternion& q, const Vec3* previous);

// The host reports the horizontal field of view of the whole picture.
double verticalFieldOfView(double horizontalDegrees, double aspect);
double focalLength(double horizontalDegrees, const ConversionOptions& options);

// Everything a target needs of one frame's camera.
struct ConvertedCamera {
    Vec3 location;
    Quaternion rotation;
    double horizontalFov = 0.0; // degrees
    double verticalFov = 0.0;   // degrees, for the aspect in the options
    double focalLength = 0.0;   // millimetres, for the sensor in the options
};

ConvertedCamera convertCamera(const CameraPose& camera, const ConversionOptions& options);
