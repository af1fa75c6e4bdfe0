// The replay's script: where the ball, the cars and the camera are at any
// moment. Every path is a closed-form function of time, so any frame can be
// asked for in any order and two runs agree exactly. Each path's speed stays
// well away from zero, so headings (and the yaws taken from them) turn
// smoothly.
#include "scene_meshes.h"
#include "sim_scene.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double pi = std::numbers::pi;

int rotatorUnits(double radians) {
    const long long units = std::llround(radians / radiansPerRotatorUnit);
    // Into [-32768, 32767], as the game reports yaw and roll.
    return static_cast<int>(((units + 32768) % 65536 + 65536) % 65536 - 32768);
}

Vector vector(double x, double y, double z) {
    return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

// A long loop round the pitch with two slower sways on it, bouncing. The
// sways' speed never reaches the loop's, so the ball never stops.
SimActorState ballAt(double t) {
    const double w = 0.3;
    const double x = 2400.0 * std::sin(w * t) + 600.0 * std::sin(2.3 * w * t + 1.0);
    const double y = 3600.0 * std::cos(w * t) + 500.0 * std::sin(1.7 * w * t);
    const double vx = 2400.0 * w * std::cos(w * t) + 600.0 * 2.3 * w * std::cos(2.3 * w * t + 1.0);
    const double vy = -3600.0 * w * std::sin(w * t) + 500.0 * 1.7 * w * std::cos(1.7 * w * t);
    const double bounceHeight = 260.0 + 200.0 * std::sin(0.11 * t);
    const double z = ballRadius + bounceHeight * std::abs(std::sin(pi * t / 1.3));

    // Rolling: the ball's own X axis lies across the direction of travel and
    // it turns about it (roll) by the distance covered over its radius,
    // taken at the loop's mean speed.
    const double heading = std::atan2(vy, vx);
    const double spin = std::fmod(900.0 * t / ballRadius, 2.0 * pi);
    return {vector(x, y, z), {0, rotatorUnits(heading - pi / 2), rotatorUnits(spin)}};
}

// Each car drives its own loop, leaning out of the turns, and jumps once
// every few seconds, nose up on the way up and down on the way down.
SimActorState carAt(int i, double t) {
    const double direction = i % 2 ? -1.0 : 1.0;
    const double w = (0.42 + 0.03 * i) * direction;
    const double cx = (i % 3 - 1) * 900.0, cy = (i % 4 - 1.5) * 700.0;
    const double ax = 2200.0 + 150.0 * (i % 3), ay = 3000.0 + 200.0 * (i % 4);
    const double b = 280.0;
    const double th = w * t + i * 0.785;
    const double x = cx + ax * std::sin(th) + b * std::sin(3.0 * th + i);
    const double y = cy + ay * std::cos(th) + b * std::cos(2.0 * th);
    const double vx = (ax * std::cos(th) + 3.0 * b * std::cos(3.0 * th + i)) * w;
    const double vy = (-ay * std::sin(th) - 2.0 * b * std::sin(2.0 * th)) * w;
    const double accx = (-ax * std::sin(th) - 9.0 * b * std::sin(3.0 * th + i)) * w * w;
    const double accy = (-ay * std::cos(th) - 4.0 * b * std::cos(2.0 * th)) * w * w;

    const double speed = std::hypot(vx, vy);
    // Towards +Y of the car's heading is a right turn; the body rolls out
    // of it, lowering its left side (negative roll).
    const double lateral = (vx * accy - vy * accx) / speed;
    const double roll = std::clamp(-lateral * 1.5, -1500.0, 1500.0) * radiansPerRotatorUnit;

    const double period = 9.0, airTime = 1.0;
    const double phase = std::fmod(t + 1.1 * i, period);
    double z = carRestHeight, pitch = 0.0;
    if (phase < airTime) {
        const double tau = phase / airTime;
        z += 240.0 * std::sin(pi * tau);
        pitch = 1400.0 * std::sin(2.0 * pi * tau) * radiansPerRotatorUnit;
    }
    return {vector(x, y, z),
            {rotatorUnits(pitch), rotatorUnits(std::atan2(vy, vx)), rotatorUnits(roll)}};
}

// A broadcast camera high on one side of the pitch: it follows the ball
// along the touchline and part way across, always on the near side of it
// (the ball's loop keeps its X within 3000), looks at it and breathes its
// zoom slowly between 90 and 110 degrees.
SimCameraState cameraAt(double t, const Vector& ballLocation) {
    const Vec3 ball = vec3(ballLocation);
    const double x = -3400.0 + 0.45 * (ball.x + 2600.0), y = 0.7 * ball.y;
    const double z = 900.0 + 120.0 * std::sin(0.07 * t);
    const double dx = 0.6 * ball.x - x, dy = ball.y - y, dz = 0.5 * ball.z + 40.0 - z;
    const Rotator rotation{rotatorUnits(std::atan2(dz, std::hypot(dx, dy))),
                           rotatorUnits(std::atan2(dy, dx)), 0};
    return {vector(x, y, z), rotation, static_cast<float>(100.0 + 10.0 * std::sin(0.23 * t))};
}

} // namespace

SimReplayState sceneAt(std::uint32_t gameFrame, double gameFps, int cars) {
    const double fps = std::isfinite(gameFps) && gameFps > 0.0 ? gameFps : 60.0;
    const double t = gameFrame / fps;
    SimReplayState state;
    state.inReplay = true;
    state.ball = ballAt(t);
    for (int i = 0; i < sceneCarCount(cars); ++i)
        state.cars.push_back(carAt(i, t));
    state.camera = cameraAt(t, state.ball.location);
    return state;
}
