// Back from the frame data file's quaternions to rotators.
#include "sim_scene.h"

#include <cmath>

namespace {

// The half-angle per rotator unit that the plugin's writer uses (a little off
// pi/65536); dividing by twice it lands exactly on the units it started from.
constexpr double writerHalfAnglePerUnit = static_cast<double>(4.7936912e-5f);

int toUnits(double radians) {
    const long long units = std::llround(radians / (2.0 * writerHalfAnglePerUnit));
    return static_cast<int>(((units + 32768) % 65536 + 65536) % 65536 - 32768);
}

} // namespace

// The quaternion turns the actor's X axis to its forward direction, whose
// height is sin(pitch); yaw is the heading of forward, roll the turn of the
// right axis about it. Straight up or down, yaw and roll turn about the same
// axis: the whole turn goes to yaw and roll is 0. Near there the file's six
// digits cannot tell yaw from roll to the unit, but the rotation is right.
Rotator rotatorFromQuaternion(float qx, float qy, float qz, float qw) {
    double x = qx, y = qy, z = qz, w = qw;
    const double length = std::sqrt(x * x + y * y + z * z + w * w);
    if (!(length > 0.0) || !std::isfinite(length))
        return {};
    x /= length, y /= length, z /= length, w /= length;

    const double sinPitch = 2.0 * (x * z - w * y);
    if (std::abs(sinPitch) > 1.0 - 1e-6) {
        const double rightX = 2.0 * (x * y - w * z);
        const double rightY = 1.0 - 2.0 * (x * x + z * z);
        return {sinPitch > 0 ? 16384 : -16384, toUnits(std::atan2(-rightX, rightY)), 0};
    }
    const double pitch = std::asin(sinPitch);
    const double yaw = std::atan2(2.0 * (w * z + x * y), 1.0 - 2.0 * (y * y + z * z));
    const double roll = std::atan2(-2.0 * (w * x + y * z), 1.0 - 2.0 * (x * x + y * y));
    return {toUnits(pitch), toUnits(yaw), toUnits(roll)};
}
