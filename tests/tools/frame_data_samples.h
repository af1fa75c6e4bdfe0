#pragma once
// Test material: frame data written with the plugin's own number and
// quaternion code from rotators, and what those rotators mean, worked out by
// plain trigonometry rather than through any quaternion.

#include "bakkesmod/wrappers/wrapperstructs.h"
#include "frame_conversion.h"

#include <array>
#include <filesystem>
#include <string>
#include <vector>

struct SampleActor {
    Vector location;
    Rotator rotation;
};

struct SampleFrame {
    bool replay = true;
    SampleActor camera;
    float fieldOfView = 90.0f;
    SampleActor ball;
    std::vector<SampleActor> cars;
};

std::string sampleFile(const std::vector<SampleFrame>& frames);

// The quaternion that the plugin writes for a rotator, read back from its text.
std::array<float, 4> recordedQuaternion(const Rotator& rotation);

// A recording along a known path: the camera circles and sweeps its yaw through
// +-180 degrees while it tilts, rolls and zooms; the number of cars changes
// from frame to frame and every seventh frame was captured outside a replay.
std::vector<SampleFrame> samplePath(int frameCount);

// Where an actor's nose, right side and roof point, in the game's axes.
struct GameAxes {
    Vec3 forward, right, up;
};
GameAxes gameAxes(const Rotator& rotation);

// A direction of the game in the target's axes.
Vec3 targetDirection(const Vec3& game, Axes axes);

// v turned by a unit quaternion, v' = q v q*, written out from the
// cross-product form rather than through a rotation matrix.
Vec3 rotateByQuaternion(const Quaternion& q, const Vec3& v);

// v turned by Euler angles in degrees for the rotation order ZXY, one
// elementary turn at a time: first about Z, then X, then Y.
Vec3 rotateByZxyDegrees(const Vec3& degrees, Vec3 v);

// Each coordinate of actual within tolerance of expected's.
void expectNear(const Vec3& actual, const Vec3& expected, double tolerance, const char* what);

// The names of the files in a folder, sorted.
std::vector<std::string> namesIn(const std::filesystem::path& folder);
