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
#include <vector>

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

// The ball's track on the floor: a long loop round the pitch with two slower
// sways on it. The sways' speed never reaches the loop's, so the ball never
// stops (it keeps above 280 uu/s).
struct Track {
    double x, y, vx, vy, ax, ay;
};

Track ballTrack(double t) {
    const double w = 0.3, w2 = 2.3 * w, w3 = 1.7 * w;
    return {2400.0 * std::sin(w * t) + 600.0 * std::sin(w2 * t + 1.0),
            3600.0 * std::cos(w * t) + 500.0 * std::sin(w3 * t),
            2400.0 * w * std::cos(w * t) + 600.0 * w2 * std::cos(w2 * t + 1.0),
            -3600.0 * w * std::sin(w * t) + 500.0 * w3 * std::cos(w3 * t),
            -2400.0 * w * w * std::sin(w * t) - 600.0 * w2 * w2 * std::sin(w2 * t + 1.0),
            -3600.0 * w * w * std::cos(w * t) - 500.0 * w3 * w3 * std::sin(w3 * t)};
}

// Bouncing along its track.
SimActorState ballAt(double t) {
    const Track track = ballTrack(t);
    const double bounceHeight = 260.0 + 200.0 * std::sin(0.11 * t);
    const double z = ballRadius + bounceHeight * std::abs(std::sin(pi * t / 1.3));

    // Rolling: the ball's own X axis lies across the direction of travel and
    // it turns about it (roll) by the distance covered over its radius,
    // taken at the loop's mean speed.
    const double heading = std::atan2(track.vy, track.vx);
    const double spin = std::fmod(900.0 * t / ballRadius, 2.0 * pi);
    return {vector(track.x, track.y, z), {0, rotatorUnits(heading - pi / 2), rotatorUnits(spin)}};
}

// Each car plays the ball: it drives the ball's track some way behind it
// (even cars) or ahead of it (odd cars), weaving about it by up to 200 uu.
// The weave moves at most 160 uu/s, well under the ball's least speed, so
// no car ever stops or turns back. It leans out of the turns, and jumps once
// every few seconds, nose up on the way up and down on the way down.
SimActorState carAt(int i, double t) {
    const double lag = (i % 2 ? -1.0 : 1.0) * (0.45 + 0.25 * i);
    const Track track = ballTrack(t - lag);
    const double a = 200.0, fx = 0.55 + 0.05 * i, fy = 0.45 + 0.04 * i, phase = 1.7 * i;
    const double x = track.x + a * std::sin(fx * t + phase);
    const double y = track.y + a * std::cos(fy * t + phase);
    const double vx = track.vx + a * fx * std::cos(fx * t + phase);
    const double vy = track.vy - a * fy * std::sin(fy * t + phase);
    const double accx = track.ax - a * fx * fx * std::sin(fx * t + phase);
    const double accy = track.ay - a * fy * fy * std::cos(fy * t + phase);

    const double speed = std::hypot(vx, vy);
    // Towards +Y of the car's heading is a right turn; the body rolls out
    // of it, lowering its left side (negative roll).
    const double lateral = (vx * accy - vy * accx) / speed;
    const double roll = std::clamp(-lateral * 1.5, -1500.0, 1500.0) * radiansPerRotatorUnit;

    const double period = 9.0, airTime = 1.0;
    // Whole periods added keep the phase positive before the replay's start,
    // where the camera's framing looks back to.
    const double jumpPhase = std::fmod(t + 1.1 * i + 10.0 * period, period);
    double z = carRestHeight, pitch = 0.0;
    if (jumpPhase < airTime) {
        const double tau = jumpPhase / airTime;
        z += 240.0 * std::sin(pi * tau);
        pitch = 1400.0 * std::sin(2.0 * pi * tau) * radiansPerRotatorUnit;
    }
    return {vector(x, y, z),
            {rotatorUnits(pitch), rotatorUnits(std::atan2(vy, vx)), rotatorUnits(roll)}};
}

// Where the play is: the ball counted twice, each car once.
Vec3 playCentre(const SimActorState& ball, const std::vector<SimActorState>& cars) {
    Vec3 sum = vec3(ball.location) * 2.0;
    for (const SimActorState& car : cars)
        sum = sum + vec3(car.location);
    return sum * (1.0 / (2.0 + static_cast<double>(cars.size())));
}

// A broadcast camera high on one side of the pitch. It rides along the
// touchline with the play, always on the near side of it (the play keeps
// its X within 3300), and looks at the play's centre.
struct CameraRig {
    Vec3 location;
    Vec3 forward, right, up;
};

CameraRig cameraRigAt(double t, const Vec3& centre) {
    CameraRig rig;
    rig.location = {-3900.0 + 0.35 * (centre.x + 3000.0), 0.85 * centre.y,
                    800.0 + 150.0 * std::sin(0.07 * t)};
    const Vec3 aim{centre.x, centre.y, 0.6 * centre.z + 40.0};
    rig.forward = normalized(aim - rig.location);
    rig.right = normalized(Vec3{-rig.forward.y, rig.forward.x, 0.0});
    rig.up = cross(rig.forward, rig.right); // the game's frame is left-handed
    return rig;
}

// The tangent of half the horizontal field of view that just holds the ball
// and every car, each with 180 uu to spare, in a 16:9 picture.
double framingAt(double t, int cars) {
    const SimActorState ball = ballAt(t);
    std::vector<SimActorState> carStates;
    for (int i = 0; i < cars; ++i)
        carStates.push_back(carAt(i, t));
    const CameraRig rig = cameraRigAt(t, playCentre(ball, carStates));
    double needed = 0.0;
    auto hold = [&](const Vector& location) {
        const Vec3 to = vec3(location) - rig.location;
        const double depth = dot(to, rig.forward), margin = 180.0;
        needed = std::max(needed, (std::abs(dot(to, rig.right)) + margin) / depth);
        needed = std::max(needed, (std::abs(dot(to, rig.up)) + margin) / depth * 16.0 / 9.0);
    };
    hold(ball.location);
    for (const SimActorState& car : carStates)
        hold(car.location);
    return needed;
}

// The zoom frames the play as it was over the last second (an average, so
// that it eases rather than jumps), with a fifth to spare, breathing a
// little, between 30 and 100 degrees.
SimCameraState cameraAt(double t, const SimActorState& ball,
                        const std::vector<SimActorState>& cars) {
    const CameraRig rig = cameraRigAt(t, playCentre(ball, cars));
    double framing = 0.0;
    constexpr int samples = 10;
    for (int k = 0; k < samples; ++k)
        framing += framingAt(t - 0.1 * k, static_cast<int>(cars.size()));
    const double fit = 2.0 * std::atan(1.1 * framing / samples) * 180.0 / pi;
    const double fov = std::clamp(fit + 4.0 * std::sin(0.23 * t), 20.0, 100.0);
    const Vec3 f = rig.forward;
    const Rotator rotation{rotatorUnits(std::atan2(f.z, std::hypot(f.x, f.y))),
                           rotatorUnits(std::atan2(f.y, f.x)), 0};
    return {vector(rig.location.x, rig.location.y, rig.location.z), rotation,
            static_cast<float>(fov)};
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
    state.camera = cameraAt(t, state.ball, state.cars);
    return state;
}
