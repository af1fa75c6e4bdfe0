#include "frame_conversion.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double degreesPerRadian = 180.0 / std::numbers::pi;

Quaternion multiply(const Quaternion& a, const Quaternion& b) {
    return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w,
            a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

Quaternion mirrorToZUp(const std::array<float, 4>& q) {
    const double x = q[0], y = q[1], z = q[2], w = q[3];
    return {-x, y, -z, w};
}

// Turns z-up into y-up: -90 degrees about X, so +Z becomes +Y and +Y becomes -Z.
const Quaternion zUpToYUp{-std::numbers::sqrt2 / 2.0, 0.0, 0.0, std::numbers::sqrt2 / 2.0};
const Quaternion yUpToZUp{std::numbers::sqrt2 / 2.0, 0.0, 0.0, std::numbers::sqrt2 / 2.0};

// Takes the target's camera axes to the game camera's mirrored axes: the view
// direction -Z to forward (+X), +Y to up (+Z) and +X to the picture's right
// (-Y once mirrored). Euler XYZ (90, 0, -90) degrees.
const Quaternion cameraAxes{0.5, -0.5, -0.5, 0.5};

double nearestTurn(double angle, double reference) {
    const double turn = 2.0 * std::numbers::pi;
    return angle - turn * std::round((angle - reference) / turn);
}

// Row-major: m[row][column].
std::array<std::array<double, 3>, 3> rotationMatrix(const Quaternion& q) {
    const double x = q.x, y = q.y, z = q.z, w = q.w;
    return {{{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
             {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
             {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}}};
}

} // namespace

Vec3 convertLocation(const std::array<float, 3>& game, const ConversionOptions& options) {
    const double scale = options.unit == LengthUnit::Metre ? 0.01 : 1.0;
    const double x = game[0], y = game[1], z = game[2];
    if (options.axes == Axes::YUp)
        return {x * scale, z * scale, y * scale};
    return {x * scale, -y * scale, z * scale};
}

Quaternion convertActorRotation(const std::array<float, 4>& game, Axes axes) {
    const Quaternion zUp = mirrorToZUp(game);
    if (axes == Axes::YUp)
        return multiply(multiply(zUpToYUp, zUp), yUpToZUp);
    return zUp;
}

Quaternion convertCameraRotation(const std::array<float, 4>& game, Axes axes) {
    const Quaternion zUp = multiply(mirrorToZUp(game), cameraAxes);
    if (axes == Axes::YUp)
        return multiply(zUpToYUp, zUp);
    return zUp;
}

Vec3 eulerZxyDegrees(const Quaternion& q, const Vec3* previous) {
    // Ry(a) * Rx(b) * Rz(c) has -sin(b) in row 1, column 2; sin(a)cos(b) and
    // cos(a)cos(b) in column 2; sin(c)cos(b) and cos(c)cos(b) in row 1.
    const auto m = rotationMatrix(q);
    const double sinB = std::clamp(-m[1][2], -1.0, 1.0);
    const double cosB = std::hypot(m[1][0], m[1][1]);
    const Vec3 before = previous
                            ? Vec3{previous->x / degreesPerRadian, previous->y / degreesPerRadian,
                                   previous->z / degreesPerRadian}
                            : Vec3{};

    Vec3 candidates[2];
    int count = 1;
    if (cosB > 1e-5) {
        const double b = std::atan2(sinB, cosB);
        const double a = std::atan2(m[0][2], m[2][2]);
        const double c = std::atan2(m[1][0], m[1][1]);
        candidates[0] = {b, a, c};
        candidates[1] = {std::numbers::pi - b, a + std::numbers::pi, c + std::numbers::pi};
        count = 2;
    } else {
        // Looking along the pan axis, pan and roll turn about the same axis and
        // only their sum or difference is known: the roll is kept from before.
        const double c = before.z;
        if (sinB > 0)
            candidates[0] = {std::numbers::pi / 2, c + std::atan2(m[0][1], m[0][0]), c};
        else
            candidates[0] = {-std::numbers::pi / 2, std::atan2(-m[0][1], m[0][0]) - c, c};
    }

    Vec3 best;
    double bestDistance = 0.0;
    for (int i = 0; i < count; ++i) {
        const Vec3 near{nearestTurn(candidates[i].x, before.x),
                        nearestTurn(candidates[i].y, before.y),
                        nearestTurn(candidates[i].z, before.z)};
        const double distance =
            std::abs(near.x - before.x) + std::abs(near.y - before.y) + std::abs(near.z - before.z);
        if (i == 0 || distance < bestDistance) {
            best = near;
            bestDistance = distance;
        }
    }
    return {best.x * degreesPerRadian, best.y * degreesPerRadian, best.z * degreesPerRadian};
}

double verticalFieldOfView(double horizontalDegrees, double aspect) {
    const double halfWidth = std::tan(horizontalDegrees / degreesPerRadian / 2.0);
    return 2.0 * std::atan(halfWidth / aspect) * degreesPerRadian;
}

double focalLength(double horizontalDegrees, const ConversionOptions& options) {
    const double halfWidth = std::tan(horizontalDegrees / degreesPerRadian / 2.0);
    const double halfHeight = halfWidth / options.aspect;
    switch (options.sensorFit) {
    case SensorFit::Horizontal:
        return options.sensorWidth / 2.0 / halfWidth;
    case SensorFit::Vertical:
        return options.sensorHeight / 2.0 / halfHeight;
    case SensorFit::Automatic:
        break;
    }
    // Blender's automatic fit lays the sensor width along the longer side.
    return options.sensorWidth / 2.0 / (options.aspect >= 1.0 ? halfWidth : halfHeight);
}

ConvertedCamera convertCamera(const CameraPose& camera, const ConversionOptions& options) {
    return {convertLocation(camera.location, options),
            convertCameraRotation(camera.quaternion, options.axes), camera.fieldOfView,
            verticalFieldOfView(camera.fieldOfView, options.aspect),
            focalLength(camera.fieldOfView, options)};
}
