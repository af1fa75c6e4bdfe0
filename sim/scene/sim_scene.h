#pragma once
// The synthetic replay that kivren-sim plays: a pitch with lines, a ball and
// cars moving along scripted paths under a scripted camera, and a small CPU
// renderer that draws it the way the game and kivren2.fx would.

#include "sim_effect_runtime.h" // SimPicture
#include "sim_game.h"           // SimReplayState
#include "sim_mesh.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// The scene's meshes in the order the game draws them each frame: the pitch
// parts first (floor with its painted lines, walls, goals), then the ball,
// then each car's body (each car a different body, so each has its own
// buffer sizes) and last the wheels: one mesh for all cars, drawn once per
// frame with the four wheels of every car. That is 5 + cars meshes; counts
// are taken between 0 and 8. Every mesh has buffer sizes of its own (all
// share stride 32; vertex, index and constant bytes all differ), and a colour
// of its own, which its game shading lights (so its pixels vary around it).
const std::vector<SimMesh>& sceneMeshes(int cars);

// The replay at a game frame: camera (location, rotation, horizontal field of
// view), ball and cars, all in Unreal units and rotator units, as the host
// reports them. inReplay is true. A pure function of its arguments.
SimReplayState sceneAt(std::uint32_t gameFrame, double gameFps, int cars);

// How a mesh's draw came out: in the game's own shading, or in one flat
// colour (a flat-colour pixel shader was bound for the draw).
struct MeshLook {
    bool flat = false;
    Rgba colour{};
};

class SceneRenderer {
public:
    SceneRenderer(std::uint32_t width, std::uint32_t height);
    ~SceneRenderer();
    SceneRenderer(const SceneRenderer&) = delete;
    SceneRenderer& operator=(const SceneRenderer&) = delete;

    // Draws one frame into the back buffer and the depth buffer: every mesh
    // of sceneMeshes(state.cars.size()) in order, each with its look
    // (looks.size() equals the mesh count; a missing look is the game's).
    // Everything in the state is drawn whatever its has* flags say, which
    // only tell what the host reports. A flat look writes its colour's four
    // bytes exactly, as a flat-colour pixel shader would.
    void render(const SimReplayState& state, std::span<const MeshLook> looks);

    // The back buffer, upright, R G B A: what the game shows.
    const SimPicture& backBuffer() const;

    // What kivren2.fx renders from the back buffer and the depth buffer, with
    // the same formulas and constants, as upright R G B A pictures. The
    // normals use the effect's fixed field of view (sceneEffectFov), not the
    // camera's, just as the effect does. The pictures are resized if needed.
    void renderEffects(SimPicture& main, SimPicture& depth, SimPicture& normal) const;

    // Distance along the camera's viewing axis at a pixel in Unreal units,
    // as kivren2.fx recovers it from the depth buffer (the far plane where
    // nothing was drawn).
    float viewDepth(std::uint32_t x, std::uint32_t y) const;

    // Index into sceneMeshes of the mesh seen at a pixel, -1 for none.
    int meshAt(std::uint32_t x, std::uint32_t y) const;

    std::uint32_t width() const;
    std::uint32_t height() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The rotator whose quaternion in the frame data file is (x, y, z, w), to
// the nearest rotator unit: the inverse of what the plugin writes, so that a
// frame data entry can be drawn again. Pitch comes back in -16384..16384,
// yaw and roll in -32768..32767; a rotator pitched past straight up comes
// back as the same rotation in those ranges, and straight up or down the
// whole turn about the vertical goes to yaw.
Rotator rotatorFromQuaternion(float x, float y, float z, float w);

// The projection and depth constants that kivren2.fx uses by default.
inline constexpr float sceneProjectionNear = 10.0f;
inline constexpr float sceneProjectionFar = 100000.0f;
inline constexpr float sceneDepthNear = 0.0f;
inline constexpr float sceneDepthFar = 20000.0f;
inline constexpr float sceneEffectFov = 110.0f;
