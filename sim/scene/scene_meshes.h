#pragma once
// The scene's meshes as the renderer sees them: triangles in each mesh's own
// space with an outward normal and a base colour each, how the mesh is
// shaded and where its instances stand. The order and the buffer sizes the
// game binds for them are in sceneMeshes (sim_scene.h).

#include "scene_math.h"
#include "sim_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

// Dimensions of the pitch in Unreal units: the floor spans X in
// [-fieldHalfX, fieldHalfX] and Y in [-fieldHalfY, fieldHalfY], the goals
// stand at the ends of Y, the walls rise around it.
inline constexpr double fieldHalfX = 4096.0;
inline constexpr double fieldHalfY = 5120.0;
inline constexpr double wallHeight = 2044.0;
inline constexpr double ballRadius = 93.15;
// Height of a car's origin above the floor when its wheels touch it.
inline constexpr double carRestHeight = 17.01;
inline constexpr int sceneMaxCars = 8;

// The floor's paint at a point of it: the lines (the boundary along the
// edge, the centre line across and the centre circle, all 32 uu wide) in
// white, else the grass in mowing stripes of 640 uu, every other darker.
// Single precision and free of branches, so that the renderer's loop over a
// row of floor vectorizes; the pitch is small enough for floats.
enum FloorPaint : std::uint32_t { GrassPaint = 0, StripePaint = 1, LinePaint = 2 };

inline std::uint32_t floorPaintAt(float x, float y) {
    constexpr float half = 16.0f, circle = 915.0f;
    constexpr float inner = (circle - half) * (circle - half);
    constexpr float outer = (circle + half) * (circle + half);
    const float ax = std::abs(x), ay = std::abs(y), r2 = x * x + y * y;
    const bool line = (ax > float(fieldHalfX) - 2 * half) | (ay > float(fieldHalfY) - 2 * half) |
                      (ay < half) | ((r2 > inner) & (r2 < outer));
    // The floor starts at -fieldHalfY, so truncating is rounding down.
    const float along = y + float(fieldHalfY);
    const auto band = static_cast<std::int32_t>((along > 0.0f ? along : 0.0f) * (1.0f / 640.0f));
    const std::uint32_t stripe = static_cast<std::uint32_t>(band) & 1u;
    return line ? std::uint32_t{LinePaint} : stripe;
}

enum class SceneShading {
    Floor, // the grass with its painted lines, worked out per pixel
    Lit,   // each triangle in its base colour under the sun
};

enum class ScenePlacement {
    World,  // vertices are world positions
    Ball,   // one instance at the ball
    Car,    // one instance at one car
    AllCars // one instance at every car
};

struct SceneTriangle {
    std::uint32_t a, b, c;
    Vec3 normal; // outward, in the mesh's own space
    Rgba base;
};

struct SceneGeometry {
    SceneShading shading = SceneShading::Lit;
    // Only closed solids and one-sided surfaces are culled when seen from behind.
    bool cull = true;
    std::vector<Vec3> vertices;
    std::vector<SceneTriangle> triangles;
};

// Where mesh `index` of sceneMeshes(cars) stands and what it looks like;
// `car` is the car it follows for ScenePlacement::Car.
struct SceneMeshUse {
    const SceneGeometry* geometry = nullptr;
    ScenePlacement placement = ScenePlacement::World;
    int car = 0;
};

SceneMeshUse sceneMeshUse(int index, int cars);

// The largest vertex count of any mesh, so that the renderer can size its
// buffers once.
std::size_t sceneMaxVertices();

// The same clamp that sceneMeshes applies to a car count.
int sceneCarCount(int cars);
