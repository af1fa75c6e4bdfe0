// The conversion into right-handed targets, checked against where the game's
// actors point by plain trigonometry of their rotators, never through the
// quaternion arithmetic under test.
#include "frame_conversion.h"
#include "frame_data_samples.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void expectNear(const Vec3& actual, const Vec3& expected, const char* what) {
    expectNear(actual, expected, 2e-5, what);
}

const Rotator rotators[] = {{0, 0, 0},
                            {0, 16384, 0},
                            {16384, 0, 0},
                            {0, 0, 16384},
                            {0, 32768, 0},
                            {-3000, 5000, 700},
                            {8000, -20000, -3000},
                            {-16000, 12345, 30000},
                            {2000, -16384, -9000}};

TEST(FrameConversion, CameraLooksDownMinusZAlongTheGameCamerasView) {
    for (const Axes axes : {Axes::ZUp, Axes::YUp}) {
        for (const Rotator& r : rotators) {
            SCOPED_TRACE(testing::Message() << "axes " << static_cast<int>(axes) << " rotator "
                                            << r.Pitch << "," << r.Yaw << "," << r.Roll);
            const Quaternion q = convertCameraRotation(recordedQuaternion(r), axes);
            const GameAxes game = gameAxes(r);
            expectNear(rotateByQuaternion(q, {0, 0, -1}), targetDirection(game.forward, axes),
                       "view");
            expectNear(rotateByQuaternion(q, {0, 1, 0}), targetDirection(game.up, axes), "up");
            expectNear(rotateByQuaternion(q, {1, 0, 0}), targetDirection(game.right, axes),
                       "picture right");
        }
    }
}

TEST(FrameConversion, ActorsKeepTheirNoseAndRoofAndPlaceInMetres) {
    for (const Axes axes : {Axes::ZUp, Axes::YUp}) {
        const Vec3 roofAxis = axes == Axes::ZUp ? Vec3{0, 0, 1} : Vec3{0, 1, 0};
        for (const Rotator& r : rotators) {
            const Quaternion q = convertActorRotation(recordedQuaternion(r), axes);
            const GameAxes game = gameAxes(r);
            expectNear(rotateByQuaternion(q, {1, 0, 0}), targetDirection(game.forward, axes),
                       "nose");
            expectNear(rotateByQuaternion(q, roofAxis), targetDirection(game.up, axes), "roof");
        }
    }
    ConversionOptions options;
    expectNear(convertLocation({100, -200, 300}, options), {1, 2, 3}, "z-up metres");
    options.axes = Axes::YUp;
    options.unit = LengthUnit::Centimetre;
    expectNear(convertLocation({100, -200, 300}, options), {100, 300, -200}, "y-up centimetres");
}

void expectZxyRebuildsCamera(const Vec3& euler, const Rotator& r, Axes axes) {
    const GameAxes game = gameAxes(r);
    expectNear(rotateByZxyDegrees(euler, {0, 0, -1}), targetDirection(game.forward, axes), "view");
    expectNear(rotateByZxyDegrees(euler, {0, 1, 0}), targetDirection(game.up, axes), "up");
}

TEST(FrameConversion, ZxyEulerAnglesRebuildTheCameraWithoutJumps) {
    Vec3 previous;
    for (int i = 0; i < 300; ++i) {
        // The yaw turns through +-180 degrees several times.
        const Rotator r{static_cast<int>(4000 * std::sin(i * 0.1)), i * 1637,
                        static_cast<int>(2000 * std::sin(i * 0.05))};
        const Quaternion q = convertCameraRotation(recordedQuaternion(r), Axes::YUp);
        const Vec3 euler = eulerZxyDegrees(q, i > 0 ? &previous : nullptr);
        SCOPED_TRACE(i);
        expectZxyRebuildsCamera(euler, r, Axes::YUp);
        if (i > 0) {
            EXPECT_LT(std::abs(euler.x - previous.x), 15.0);
            EXPECT_LT(std::abs(euler.y - previous.y), 15.0);
            EXPECT_LT(std::abs(euler.z - previous.z), 15.0);
        }
        previous = euler;
    }

    // In z-up a level camera looking along the target's Y axis has its pan and
    // roll axes aligned; the roll carries over from the frame before.
    for (const Rotator r : {Rotator{0, -16384, 0}, Rotator{0, 16384, 0}}) {
        const Quaternion q = convertCameraRotation(recordedQuaternion(r), Axes::ZUp);
        const Vec3 before{0, 0, 25};
        const Vec3 euler = eulerZxyDegrees(q, &before);
        expectZxyRebuildsCamera(euler, r, Axes::ZUp);
        EXPECT_NEAR(euler.z, 25.0, 1e-3);
    }
}

TEST(FrameConversion, FocalLengthFollowsTheSensorFit) {
    // A 50 mm lens on a 36 x 24 mm sensor sees 39.5978 degrees across.
    const double fiftyMillimetres = 39.5978;
    ConversionOptions options;
    options.aspect = 1.5;
    for (const SensorFit fit : {SensorFit::Horizontal, SensorFit::Vertical, SensorFit::Automatic}) {
        options.sensorFit = fit;
        EXPECT_NEAR(focalLength(fiftyMillimetres, options), 50.0, 2e-3);
    }
    // Upright, the automatic fit lays the 36 mm along the height: the picture
    // is then 24 mm wide at 50 mm, 26.9915 degrees.
    options.aspect = 2.0 / 3.0;
    EXPECT_NEAR(focalLength(26.9915, options), 50.0, 2e-3);
    // Ninety degrees across a 16:9 picture is 58.7155 degrees down it.
    EXPECT_NEAR(verticalFieldOfView(90.0, 16.0 / 9.0), 58.7155, 1e-4);
}

} // namespace
