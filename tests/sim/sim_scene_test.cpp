// The synthetic replay: its meshes as the game binds them, the scripted
// paths, and reading the frame data's quaternions back into rotators.
#include "formats/frame_data_writer.h"
#include "formats/mesh_identity.h"
#include "scene_math.h"
#include "scene_meshes.h"
#include "sim_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <set>
#include <sstream>

namespace {

int wrapped(int units) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(units));
}

// Plain sums of squares: Wine's msvcp140_2.dll has only a stub of the
// three-argument std::hypot.
double distance(const Vector& a, const Vector& b) {
    const double dx = double{a.X} - double{b.X}, dy = double{a.Y} - double{b.Y},
                 dz = double{a.Z} - double{b.Z};
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

TEST(SceneMeshes, EveryMeshHasItsOwnPlausibleBuffersAndColour) {
    const std::vector<SimMesh>& all = sceneMeshes(8);
    ASSERT_EQ(all.size(), 13u);
    std::set<std::uint32_t> vertexBytes, indexBytes, constantBytes;
    std::set<Rgba> colours;
    std::set<MeshHash> hashes;
    for (const SimMesh& mesh : all) {
        SCOPED_TRACE(mesh.name);
        const MeshSizes& s = mesh.sizes;
        vertexBytes.insert(s.vertexBytes);
        indexBytes.insert(s.indexBytes);
        constantBytes.insert(s.constantBytes);
        colours.insert(mesh.gameColour);
        const MeshKey key{s.stride, s.vertexBytes, s.indexBytes, s.constantBytes};
        hashes.insert(hashMeshKey(key));
        EXPECT_FALSE(isExcludedDraw(key));
        EXPECT_EQ(s.vertexBytes % s.stride, 0u);
        EXPECT_EQ(s.indexBytes % 6, 0u); // whole triangles of 16-bit indices
        EXPECT_EQ(s.constantBytes % 16, 0u);
        EXPECT_EQ(mesh.gameColour[3], 255);
        // No pure primary, secondary, black or white: an ID colour a user picks.
        const bool extreme = std::all_of(mesh.gameColour.begin(), mesh.gameColour.begin() + 3,
                                         [](std::uint8_t c) { return c == 0 || c == 255; });
        EXPECT_FALSE(extreme);
    }
    EXPECT_EQ(vertexBytes.size(), all.size());
    EXPECT_EQ(indexBytes.size(), all.size());
    EXPECT_EQ(constantBytes.size(), all.size());
    EXPECT_EQ(colours.size(), all.size());
    EXPECT_EQ(hashes.size(), all.size());

    // Fewer cars drop the bodies of the last ones and keep the shared wheels last.
    for (int cars = 0; cars <= 8; ++cars) {
        const std::vector<SimMesh>& some = sceneMeshes(cars);
        ASSERT_EQ(some.size(), 5u + static_cast<std::size_t>(cars));
        for (std::size_t i = 0; i + 1 < some.size(); ++i)
            EXPECT_STREQ(some[i].name, all[i].name);
        EXPECT_STREQ(some.back().name, all.back().name);
    }
}

TEST(SceneScript, IsAPureSmoothFunctionOfTheFrame) {
    const double fps = 60.0;
    SimReplayState previous = sceneAt(0, fps, 8);
    ASSERT_EQ(previous.cars.size(), 8u);
    EXPECT_TRUE(previous.inReplay);
    double ballTravel = 0.0, fovLow = 200.0, fovHigh = 0.0;
    for (std::uint32_t frame = 1; frame < 60 * 40; ++frame) {
        const SimReplayState now = sceneAt(frame, fps, 8);
        SCOPED_TRACE(frame);
        // Nothing moves faster than 3000 uu/s or turns more than a
        // twentieth of a turn in a frame.
        EXPECT_LT(distance(now.camera.location, previous.camera.location), 50.0);
        EXPECT_LT(distance(now.ball.location, previous.ball.location), 50.0);
        // A zoom of at most 60 degrees a second (eight cars spread widest).
        EXPECT_LT(std::abs(now.camera.fov - previous.camera.fov), 1.0f);
        EXPECT_LT(std::abs(wrapped(now.camera.rotation.Yaw - previous.camera.rotation.Yaw)), 3300);
        ballTravel += distance(now.ball.location, previous.ball.location);
        fovLow = std::min(fovLow, double{now.camera.fov});
        fovHigh = std::max(fovHigh, double{now.camera.fov});
        EXPECT_GE(now.ball.location.Z, 93.0f);
        EXPECT_LT(std::abs(now.camera.location.X), 4096.0f);
        EXPECT_LT(std::abs(now.camera.location.Y), 5120.0f);

        for (std::size_t i = 0; i < now.cars.size(); ++i) {
            const SimActorState& car = now.cars[i];
            const SimActorState& before = previous.cars[i];
            EXPECT_LT(distance(car.location, before.location), 50.0);
            EXPECT_LT(std::abs(car.location.X), 4000.0f);
            EXPECT_LT(std::abs(car.location.Y), 5000.0f);
            EXPECT_LT(std::abs(wrapped(car.rotation.Yaw - before.rotation.Yaw)), 3300);
            EXPECT_LT(std::abs(wrapped(car.rotation.Pitch - before.rotation.Pitch)), 3300);
            EXPECT_LT(std::abs(wrapped(car.rotation.Roll - before.rotation.Roll)), 3300);
            // The nose points where the car goes: yaw 0 along +X, 16384 along +Y.
            const double heading = std::atan2(double{car.location.Y} - double{before.location.Y},
                                              double{car.location.X} - double{before.location.X});
            const int headingUnits =
                static_cast<int>(std::lround(heading * 32768.0 / std::numbers::pi));
            EXPECT_LT(std::abs(wrapped(car.rotation.Yaw - headingUnits)), 400);
        }
        previous = now;
    }
    EXPECT_GT(ballTravel, 10000.0);
    EXPECT_GE(fovLow, 20.0);
    EXPECT_LE(fovHigh, 100.0);
    EXPECT_GT(fovHigh - fovLow, 20.0);

    const SimReplayState a = sceneAt(12345, 30.0, 3), b = sceneAt(12345, 30.0, 3);
    EXPECT_EQ(a.cars.size(), 3u);
    EXPECT_EQ(a.camera.location.X, b.camera.location.X);
    EXPECT_EQ(a.camera.rotation.Yaw, b.camera.rotation.Yaw);
    EXPECT_EQ(a.ball.rotation.Roll, b.ball.rotation.Roll);
    EXPECT_EQ(a.cars[2].location.Y, b.cars[2].location.Y);
    // The same moment at another frame rate is the same picture.
    EXPECT_EQ(sceneAt(120, 60.0, 2).ball.location.Y, sceneAt(60, 30.0, 2).ball.location.Y);
}

// The broadcast camera keeps the play in a 16:9 picture and close enough to
// see: every object inside it, the ball and the cars a fair size.
TEST(SceneScript, TheCameraFramesThePlay) {
    const double fps = 60.0;
    int frames = 0, allInView = 0;
    std::vector<double> ballWidths, playWidths;
    for (std::uint32_t frame = 0; frame < 60 * 60; frame += 7) {
        const SimReplayState state = sceneAt(frame, fps, 2);
        const Axes view = axesOf(state.camera.rotation);
        const double tanHalfX = std::tan(double{state.camera.fov} * std::numbers::pi / 360.0);
        const double tanHalfY = tanHalfX * 9.0 / 16.0;
        // Where a point lands, -1 to 1 across and down the picture.
        auto place = [&](const Vector& location, double& x, double& y) {
            const Vec3 to = vec3(location) - vec3(state.camera.location);
            const double depth = dot(to, view.forward);
            x = dot(to, view.right) / depth / tanHalfX;
            y = dot(to, view.up) / depth / tanHalfY;
            return depth;
        };
        bool inside = true;
        double left = 1e9, right = -1e9, x = 0.0, y = 0.0;
        const double ballDepth = place(state.ball.location, x, y);
        inside = inside && std::abs(x) < 1.0 && std::abs(y) < 1.0;
        left = std::min(left, x);
        right = std::max(right, x);
        for (const SimActorState& car : state.cars) {
            place(car.location, x, y);
            inside = inside && std::abs(x) < 1.0 && std::abs(y) < 1.0;
            left = std::min(left, x);
            right = std::max(right, x);
        }
        ++frames;
        allInView += inside;
        ballWidths.push_back(ballRadius / ballDepth / tanHalfX);
        playWidths.push_back((right - left) / 2.0);
    }
    std::sort(ballWidths.begin(), ballWidths.end());
    std::sort(playWidths.begin(), playWidths.end());
    EXPECT_GE(allInView, frames * 95 / 100) << allInView << " of " << frames;
    // The ball's diameter as a share of the picture's width, the play's
    // spread likewise: medians, and the ball at its smallest.
    EXPECT_GT(ballWidths[ballWidths.size() / 2], 0.05);
    EXPECT_GT(ballWidths.front(), 0.025);
    EXPECT_GT(playWidths[playWidths.size() / 2], 0.3);
}

// The quaternion as the frame data file holds it: printed, then read back.
std::array<float, 4> quaternionInFile(const Rotator& r) {
    std::ostringstream out;
    writeRotationQuat(out, {r.Pitch, r.Yaw, r.Roll});
    std::array<float, 4> q{};
    EXPECT_EQ(std::sscanf(out.str().c_str(), "%f,%f,%f,%f", &q[0], &q[1], &q[2], &q[3]), 4);
    return q;
}

TEST(RotatorFromQuaternion, ReadsBackWhatThePluginWrote) {
    const int pitches[] = {0, 1, -1, 5461, -8192, 12000, -15800, 16000};
    const int turns[] = {0,      1,     -1,    16384,  -16384, 32767,
                         -32768, 32768, 40000, -50000, 65535,  70001};
    for (int pitch : pitches) {
        for (int yaw : turns) {
            for (int roll : turns) {
                const Rotator in{pitch, yaw, roll};
                const auto q = quaternionInFile(in);
                const Rotator out = rotatorFromQuaternion(q[0], q[1], q[2], q[3]);
                SCOPED_TRACE(testing::Message() << pitch << ' ' << yaw << ' ' << roll);
                EXPECT_EQ(wrapped(out.Pitch - pitch), 0);
                EXPECT_EQ(wrapped(out.Yaw - yaw), 0);
                EXPECT_EQ(wrapped(out.Roll - roll), 0);
                EXPECT_GE(out.Yaw, -32768);
                EXPECT_LE(out.Yaw, 32767);
            }
        }
    }

    // Past straight up, or at it, the numbers differ but the rotation is the same.
    for (const Rotator in : {Rotator{20000, 1000, 2000}, Rotator{-30000, -7000, 123},
                             Rotator{16384, 5000, 3000}, Rotator{-16384, 100, -200}}) {
        const auto q = quaternionInFile(in);
        const auto back = quaternionInFile(rotatorFromQuaternion(q[0], q[1], q[2], q[3]));
        float dot = 0.0f;
        for (int i = 0; i < 4; ++i)
            dot += q[i] * back[i];
        const float sign = dot < 0.0f ? -1.0f : 1.0f; // q and -q are one rotation
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(back[i] * sign, q[i], 2e-4f) << in.Pitch << ' ' << i;
    }
}

} // namespace
