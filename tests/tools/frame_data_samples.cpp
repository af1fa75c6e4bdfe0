#include "frame_data_samples.h"

#include "formats/frame_data_format.h"
#include "formats/frame_data_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <sstream>

namespace format = frameDataFormat;

namespace {

FrameLocation locationOf(const SampleActor& actor) {
    return {actor.location.X, actor.location.Y, actor.location.Z};
}

FrameRotation rotationOf(const Rotator& rotation) {
    return {rotation.Pitch, rotation.Yaw, rotation.Roll};
}

} // namespace

std::string sampleFile(const std::vector<SampleFrame>& frames) {
    std::ostringstream out;
    for (const SampleFrame& frame : frames) {
        if (frame.replay) {
            writeCameraGroup(out, locationOf(frame.camera), rotationOf(frame.camera.rotation),
                             frame.fieldOfView);
            writeActorGroup(out, locationOf(frame.ball), rotationOf(frame.ball.rotation));
            for (const SampleActor& car : frame.cars)
                writeActorGroup(out, locationOf(car), rotationOf(car.rotation));
        }
        out << format::entryEnd;
    }
    return out.str();
}

std::array<float, 4> recordedQuaternion(const Rotator& rotation) {
    std::ostringstream out;
    writeRotationQuat(out, rotationOf(rotation));
    const std::string text = out.str();
    std::array<float, 4> q{};
    const char* p = text.data();
    for (float& component : q)
        p = std::from_chars(p, text.data() + text.size(), component).ptr + 1;
    return q;
}

std::vector<SampleFrame> samplePath(int frameCount) {
    std::vector<SampleFrame> frames;
    for (int i = 0; i < frameCount; ++i) {
        const float t = static_cast<float>(i) * 0.05f;
        SampleFrame f;
        f.replay = i % 7 != 6;
        f.camera.location = {3000.0f * std::cos(t), 4000.0f * std::sin(t),
                             800.0f + 300.0f * std::sin(2.0f * t)};
        f.camera.rotation = {static_cast<int>(8000.0 * std::sin(i * 0.3)), i * 1637 - 20000,
                             static_cast<int>(3000.0 * std::sin(i * 0.17))};
        f.fieldOfView = 70.0f + 20.0f * std::sin(t * 2.0f);
        f.ball = {{100.0f * static_cast<float>(i), -50.0f * static_cast<float>(i), 93.15f},
                  {i * 1000, i * -700, i * 300}};
        for (int car = 0; car < i % 4; ++car)
            f.cars.push_back({{500.0f * static_cast<float>(car) + static_cast<float>(i),
                               -300.0f * static_cast<float>(car), 17.01f},
                              {0, car * 8192 + i * 100, 0}});
        frames.push_back(f);
    }
    return frames;
}

GameAxes gameAxes(const Rotator& rotation) {
    const double unit = 2.0 * std::numbers::pi / format::rotatorUnitsPerTurn;
    const double yaw = rotation.Yaw * unit, pitch = rotation.Pitch * unit,
                 roll = rotation.Roll * unit;
    // Yaw turns the nose from X towards Y (to the right, seen from above),
    // pitch lifts it, and roll lowers the right side.
    const Vec3 forward{std::cos(pitch) * std::cos(yaw), std::cos(pitch) * std::sin(yaw),
                       std::sin(pitch)};
    const Vec3 right{-std::sin(yaw), std::cos(yaw), 0.0};
    const Vec3 up{-std::sin(pitch) * std::cos(yaw), -std::sin(pitch) * std::sin(yaw),
                  std::cos(pitch)};
    const double c = std::cos(roll), s = std::sin(roll);
    return {forward,
            {right.x * c - up.x * s, right.y * c - up.y * s, right.z * c - up.z * s},
            {up.x * c + right.x * s, up.y * c + right.y * s, up.z * c + right.z * s}};
}

Vec3 targetDirection(const Vec3& game, Axes axes) {
    if (axes == Axes::YUp)
        return {game.x, game.z, game.y};
    return {game.x, -game.y, game.z};
}

Vec3 rotateByQuaternion(const Quaternion& q, const Vec3& v) {
    const Vec3 t{2 * (q.y * v.z - q.z * v.y), 2 * (q.z * v.x - q.x * v.z),
                 2 * (q.x * v.y - q.y * v.x)};
    return {v.x + q.w * t.x + (q.y * t.z - q.z * t.y), v.y + q.w * t.y + (q.z * t.x - q.x * t.z),
            v.z + q.w * t.z + (q.x * t.y - q.y * t.x)};
}

Vec3 rotateByZxyDegrees(const Vec3& degrees, Vec3 v) {
    const double toRadians = std::numbers::pi / 180.0;
    const double cz = std::cos(degrees.z * toRadians), sz = std::sin(degrees.z * toRadians);
    v = {cz * v.x - sz * v.y, sz * v.x + cz * v.y, v.z};
    const double cx = std::cos(degrees.x * toRadians), sx = std::sin(degrees.x * toRadians);
    v = {v.x, cx * v.y - sx * v.z, sx * v.y + cx * v.z};
    const double cy = std::cos(degrees.y * toRadians), sy = std::sin(degrees.y * toRadians);
    return {cy * v.x + sy * v.z, v.y, -sy * v.x + cy * v.z};
}

void expectNear(const Vec3& actual, const Vec3& expected, double tolerance, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& file : std::filesystem::directory_iterator(folder))
        names.push_back(file.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
