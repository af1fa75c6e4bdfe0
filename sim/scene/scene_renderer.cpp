// The game's side of a frame: the sky, then every mesh in the game's order,
// each in its own shading or in the flat colour the draw came out with.
#include "scene_meshes.h"
#include "scene_renderer_state.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

// Towards the sun, and how much light a surface gets with and without it.
const Vec3 sunDirection = normalized({0.35, -0.3, 0.88});
constexpr double ambient = 0.55;
constexpr double diffuse = 0.55;

std::uint32_t lit(const Rgba& base, double light) {
    auto channel = [&](std::uint8_t v) {
        return static_cast<std::uint8_t>(std::min(255.0, std::round(v * light)));
    };
    return packRgba(channel(base[0]), channel(base[1]), channel(base[2]), 255);
}

std::uint32_t packed(const Rgba& c) {
    return packRgba(c[0], c[1], c[2], c[3]);
}

// The sky where nothing was drawn, by the height of the view at the middle
// of each row: pale at the horizon, deeper blue above, haze below.
void paintSky(SimPicture& picture, const std::vector<std::int8_t>& mesh, const Axes& camera,
              double tanHalfY) {
    const std::uint32_t w = picture.width, h = picture.height;
    for (std::uint32_t y = 0; y < h; ++y) {
        const double ndcY = 1.0 - 2.0 * (y + 0.5) / h;
        const Vec3 ray = normalized(camera.forward + camera.up * (ndcY * tanHalfY));
        std::uint32_t colour = packRgba(168, 176, 186, 255);
        if (ray.z >= 0.0) {
            const double t = std::min(1.0, ray.z * 1.6);
            auto mix = [&](double lo, double hi) {
                return static_cast<std::uint8_t>(std::lround(lo + (hi - lo) * t));
            };
            colour = packRgba(mix(196, 82), mix(214, 132), mix(232, 204), 255);
        }
        std::uint8_t* row = picture.rgba.data() + std::size_t{y} * w * 4;
        const std::int8_t* drawn = mesh.data() + std::size_t{y} * w;
        for (std::uint32_t x = 0; x < w; ++x) {
            if (drawn[x] < 0)
                std::memcpy(row + std::size_t{x} * 4, &colour, 4);
        }
    }
}

// An instance of a mesh: where its own axes point and where its origin is.
struct Placement {
    Axes axes;
    Vec3 origin;
};

bool isFinite(Vec3 v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

Placement placementOf(const SimActorState& actor) {
    return {axesOf(actor.rotation), vec3(actor.location)};
}

} // namespace

SceneRenderer::State::State(std::uint32_t w, std::uint32_t h)
    : width(w), height(h), back{w, h, std::vector<std::uint8_t>(std::size_t{w} * h * 4)},
      depth(std::size_t{w} * h, 1.0f), mesh(std::size_t{w} * h, -1), view(sceneMaxVertices()),
      screen(sceneMaxVertices()), codes(sceneMaxVertices()) {
    raster.setTarget({back.rgba.data(), depth.data(), mesh.data(), w, h});
}

SceneRenderer::~SceneRenderer() = default;

const SimPicture& SceneRenderer::backBuffer() const {
    return state_->back;
}
std::uint32_t SceneRenderer::width() const {
    return state_->width;
}
std::uint32_t SceneRenderer::height() const {
    return state_->height;
}

int SceneRenderer::meshAt(std::uint32_t x, std::uint32_t y) const {
    if (x >= state_->width || y >= state_->height)
        return -1;
    return state_->mesh[std::size_t{y} * state_->width + x];
}

void SceneRenderer::render(const SimReplayState& replay, std::span<const MeshLook> looks) {
    State& s = *state_;
    const int cars = sceneCarCount(static_cast<int>(replay.cars.size()));
    const std::size_t meshes = sceneMeshes(cars).size();

    const Axes camera = axesOf(replay.camera.rotation);
    const Vec3 eye = vec3(replay.camera.location);
    const double fov = std::isfinite(replay.camera.fov)
                           ? std::clamp(static_cast<double>(replay.camera.fov), 1.0, 170.0)
                           : 90.0;
    const double tanX = std::tan(fov * std::numbers::pi / 360.0);
    const double tanY = tanX * s.height / s.width;
    s.raster.setProjection(tanX, tanY, sceneProjectionNear, sceneProjectionFar);

    std::fill(s.depth.begin(), s.depth.end(), 1.0f);
    std::fill(s.mesh.begin(), s.mesh.end(), std::int8_t{-1});

    auto draw = [&](const SceneGeometry& g, const Placement& at, const MeshLook& look, int index) {
        // A position the host could not give (NaN, infinite) draws nothing
        // rather than overflowing the fixed-point edges.
        if (!isFinite(eye) || !isFinite(at.origin))
            return;
        // Own space to view space (x right, y up, d along the view) in one step.
        const Vec3 rows[3] = {camera.right, camera.up, camera.forward};
        Vec3 m[3], offset;
        for (int r = 0; r < 3; ++r) {
            m[r] = {dot(rows[r], at.axes.forward), dot(rows[r], at.axes.right),
                    dot(rows[r], at.axes.up)};
        }
        offset = {dot(rows[0], at.origin - eye), dot(rows[1], at.origin - eye),
                  dot(rows[2], at.origin - eye)};
        for (std::size_t i = 0; i < g.vertices.size(); ++i) {
            const Vec3& p = g.vertices[i];
            const Vec3 world = toWorld(at.axes, at.origin, p);
            ViewVertex& v = s.view[i];
            v = {dot(m[0], p) + offset.x, dot(m[1], p) + offset.y, dot(m[2], p) + offset.z, world.x,
                 world.y};
            s.codes[i] = s.raster.classify(v);
            if (!(s.codes[i] & NeedsClip))
                s.screen[i] = s.raster.project(v);
        }

        Paint paint;
        paint.mesh = static_cast<std::int8_t>(index);
        if (look.flat)
            paint.colour = packed(look.colour);
        for (const SceneTriangle& t : g.triangles) {
            const ViewVertex& a = s.view[t.a];
            if (g.cull) {
                const Vec3 n{dot(m[0], t.normal), dot(m[1], t.normal), dot(m[2], t.normal)};
                if (n.x * a.x + n.y * a.y + n.z * a.d >= 0.0)
                    continue;
            }
            if (!look.flat) {
                const Vec3 normal = toWorld(at.axes, {}, t.normal);
                const double light = ambient + diffuse * std::max(0.0, dot(normal, sunDirection));
                paint.colour = lit(t.base, light);
                paint.floor = g.shading == SceneShading::Floor;
                if (paint.floor) {
                    paint.floorColours[GrassPaint] = paint.colour;
                    paint.floorColours[StripePaint] = lit(t.base, light * 0.88);
                    paint.floorColours[LinePaint] = lit({255, 255, 255, 255}, light);
                }
            }
            const ViewVertex* view[3] = {&a, &s.view[t.b], &s.view[t.c]};
            const std::uint8_t codes[3] = {s.codes[t.a], s.codes[t.b], s.codes[t.c]};
            const ScreenVertex* screen[3] = {&s.screen[t.a], &s.screen[t.b], &s.screen[t.c]};
            s.raster.triangle(view, codes, screen, paint);
        }
    };

    for (std::size_t i = 0; i < meshes; ++i) {
        const SceneMeshUse use = sceneMeshUse(static_cast<int>(i), cars);
        if (!use.geometry)
            continue;
        const MeshLook look = i < looks.size() ? looks[i] : MeshLook{};
        const int index = static_cast<int>(i);
        switch (use.placement) {
        case ScenePlacement::World:
            draw(*use.geometry, {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {}}, look, index);
            break;
        case ScenePlacement::Ball:
            draw(*use.geometry, placementOf(replay.ball), look, index);
            break;
        case ScenePlacement::Car:
            draw(*use.geometry, placementOf(replay.cars[static_cast<std::size_t>(use.car)]), look,
                 index);
            break;
        case ScenePlacement::AllCars:
            for (int c = 0; c < cars; ++c)
                draw(*use.geometry, placementOf(replay.cars[static_cast<std::size_t>(c)]), look,
                     index);
            break;
        }
    }
    paintSky(s.back, s.mesh, camera, tanY);
}
