// The pitch, the ball, the car bodies and the wheels: their triangles, the
// buffer sizes the game binds for each and the colour its shader gives it.
#include "scene_meshes.h"
#include "sim_scene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

// A mesh under construction. Every triangle gets its normal from its corners,
// turned to agree with a direction the caller knows to be outward, so the
// winding of the corners never matters.
class Builder {
public:
    explicit Builder(SceneGeometry& geometry) : g_(geometry) {}

    std::uint32_t vertex(Vec3 p) {
        g_.vertices.push_back(p);
        return static_cast<std::uint32_t>(g_.vertices.size() - 1);
    }

    void triangle(std::uint32_t a, std::uint32_t b, std::uint32_t c, Vec3 outward, Rgba base) {
        const Vec3& pa = g_.vertices[a];
        Vec3 n = normalized(cross(g_.vertices[b] - pa, g_.vertices[c] - pa));
        if (dot(n, outward) < 0.0)
            n = n * -1.0;
        g_.triangles.push_back({a, b, c, n, base});
    }

    // A flat rectangle split into cells, facing `outward`.
    void grid(Vec3 corner, Vec3 edgeU, Vec3 edgeV, int cellsU, int cellsV, Vec3 outward,
              Rgba base) {
        const auto first = static_cast<std::uint32_t>(g_.vertices.size());
        for (int j = 0; j <= cellsV; ++j) {
            for (int i = 0; i <= cellsU; ++i)
                vertex(corner + edgeU * (double(i) / cellsU) + edgeV * (double(j) / cellsV));
        }
        const auto row = static_cast<std::uint32_t>(cellsU + 1);
        for (int j = 0; j < cellsV; ++j) {
            for (int i = 0; i < cellsU; ++i) {
                const std::uint32_t p =
                    first + static_cast<std::uint32_t>(j) * row + static_cast<std::uint32_t>(i);
                triangle(p, p + 1, p + row + 1, outward, base);
                triangle(p, p + row + 1, p + row, outward, base);
            }
        }
    }

    // An axis-aligned box; its eight corners are shared by its faces.
    void box(Vec3 lo, Vec3 hi, Rgba base) {
        std::array<std::uint32_t, 8> v{};
        for (int i = 0; i < 8; ++i)
            v[i] = vertex({i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z});
        const Vec3 centre = (lo + hi) * 0.5;
        // Each face as four corner numbers going round it.
        static constexpr std::array<std::array<int, 4>, 6> faces{
            {{0, 2, 6, 4}, {1, 3, 7, 5}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 5, 7, 6}}};
        for (const auto& f : faces) {
            const Vec3 out = g_.vertices[v[f[0]]] + g_.vertices[v[f[2]]] - centre * 2.0;
            triangle(v[f[0]], v[f[1]], v[f[2]], out, base);
            triangle(v[f[0]], v[f[2]], v[f[3]], out, base);
        }
    }

    void sphere(Vec3 centre, double radius, int slices, int stacks, Rgba base) {
        const std::uint32_t top = vertex(centre + Vec3{0, 0, radius});
        const auto first = static_cast<std::uint32_t>(g_.vertices.size());
        for (int s = 1; s < stacks; ++s) {
            const double polar = std::numbers::pi * s / stacks;
            for (int i = 0; i < slices; ++i) {
                const double around = 2.0 * std::numbers::pi * i / slices;
                vertex(centre + Vec3{std::sin(polar) * std::cos(around),
                                     std::sin(polar) * std::sin(around), std::cos(polar)} *
                                    radius);
            }
        }
        const std::uint32_t bottom = vertex(centre - Vec3{0, 0, radius});
        const auto n = static_cast<std::uint32_t>(slices);
        auto at = [&](int ring, int i) {
            return first + static_cast<std::uint32_t>(ring) * n +
                   static_cast<std::uint32_t>(i % slices);
        };
        auto outward = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
            return g_.vertices[a] + g_.vertices[b] + g_.vertices[c] - centre * 3.0;
        };
        auto add = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
            triangle(a, b, c, outward(a, b, c), base);
        };
        for (int i = 0; i < slices; ++i) {
            add(top, at(0, i), at(0, i + 1));
            add(bottom, at(stacks - 2, i + 1), at(stacks - 2, i));
            for (int ring = 0; ring + 1 < stacks - 1; ++ring) {
                add(at(ring, i), at(ring + 1, i), at(ring + 1, i + 1));
                add(at(ring, i), at(ring + 1, i + 1), at(ring, i + 1));
            }
        }
    }

    // A wheel: a prism round the Y axis.
    void wheel(Vec3 centre, double radius, double halfWidth, int sides, Rgba base) {
        const auto first = static_cast<std::uint32_t>(g_.vertices.size());
        for (int side = -1; side <= 1; side += 2) {
            for (int i = 0; i < sides; ++i) {
                const double a = 2.0 * std::numbers::pi * i / sides;
                vertex(centre + Vec3{std::cos(a) * radius, side * halfWidth, std::sin(a) * radius});
            }
        }
        const std::uint32_t hubIn = vertex(centre - Vec3{0, halfWidth, 0});
        const std::uint32_t hubOut = vertex(centre + Vec3{0, halfWidth, 0});
        const auto n = static_cast<std::uint32_t>(sides);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint32_t a = first + i, b = first + (i + 1) % n;
            const std::uint32_t c = a + n, d = b + n;
            const Vec3 out = g_.vertices[a] + g_.vertices[b] - centre * 2.0;
            triangle(a, b, d, {out.x, 0, out.z}, base);
            triangle(a, d, c, {out.x, 0, out.z}, base);
            triangle(hubIn, a, b, {0, -1, 0}, base);
            triangle(hubOut, c, d, {0, 1, 0}, base);
        }
    }

private:
    SceneGeometry& g_;
};

constexpr Rgba floorColour{61, 122, 58, 255};
constexpr Rgba wallColour{146, 156, 171, 255};
constexpr Rgba goalColour{222, 214, 188, 255};
constexpr Rgba ballColour{196, 191, 178, 255};
constexpr Rgba wheelColour{43, 41, 46, 255};

struct BodyShape {
    const char* name;
    double length, width, height;
    double cabinStart, cabinEnd; // along the length, 0 at the back, 1 at the front
    Rgba colour;
    MeshSizes sizes;
};

// Eight bodies, alternately in the two teams' colours, each of its own
// proportions and buffer sizes as distinct car models would have.
constexpr std::array<BodyShape, sceneMaxCars> bodyShapes{{
    {"body_octane", 118.0, 84.2, 36.2, 0.12, 0.62, {44, 98, 196, 255}, {32, 216320, 64188, 400}},
    {"body_dominus", 127.9, 83.3, 31.3, 0.10, 0.55, {217, 118, 37, 255}, {32, 198912, 58932, 416}},
    {"body_breakout", 131.5, 80.5, 30.3, 0.15, 0.58, {52, 110, 178, 255}, {32, 187648, 55068, 432}},
    {"body_merc", 120.7, 87.0, 41.7, 0.05, 0.70, {201, 105, 48, 255}, {32, 231424, 69948, 448}},
    {"body_plank", 128.8, 84.7, 29.4, 0.20, 0.60, {38, 86, 160, 255}, {32, 174464, 51204, 464}},
    {"body_hybrid", 127.0, 82.2, 34.2, 0.12, 0.60, {232, 134, 58, 255}, {32, 205184, 61212, 480}},
    {"body_fennec", 118.0, 84.2, 36.2, 0.08, 0.66, {61, 121, 209, 255}, {32, 222464, 66444, 496}},
    {"body_venom", 121.5, 80.6, 33.9, 0.14, 0.57, {189, 96, 30, 255}, {32, 193536, 57372, 512}},
}};

constexpr SimMesh floorMesh{"pitch_floor", {32, 85536, 31104, 256}, floorColour};
constexpr SimMesh wallMesh{"pitch_walls", {32, 38016, 12672, 320}, wallColour};
constexpr SimMesh goalMesh{"pitch_goals", {32, 30848, 9648, 192}, goalColour};
constexpr SimMesh ballMesh{"ball", {32, 81984, 30720, 208}, ballColour};
constexpr SimMesh wheelMesh{"wheels", {32, 49152, 16128, 160}, wheelColour};

Rgba shade(Rgba c, double factor) {
    auto f = [&](std::uint8_t v) { return static_cast<std::uint8_t>(std::lround(v * factor)); };
    return {f(c[0]), f(c[1]), f(c[2]), 255};
}

struct Catalogue {
    SceneGeometry floor, walls, goals, ball, wheels;
    std::array<SceneGeometry, sceneMaxCars> bodies;
    std::array<std::vector<SimMesh>, sceneMaxCars + 1> lists;

    Catalogue() {
        floor.shading = SceneShading::Floor;
        Builder(floor).grid({-fieldHalfX, -fieldHalfY, 0}, {2 * fieldHalfX, 0, 0},
                            {0, 2 * fieldHalfY, 0}, 8, 10, {0, 0, 1}, floorColour);

        // The walls face the pitch; from outside the stadium they are not drawn.
        Builder w(walls);
        for (int side = -1; side <= 1; side += 2) {
            w.grid({side * fieldHalfX, -fieldHalfY, 0}, {0, 2 * fieldHalfY, 0}, {0, 0, wallHeight},
                   10, 2, {-side * 1.0, 0, 0}, wallColour);
            w.grid({-fieldHalfX, side * fieldHalfY, 0}, {2 * fieldHalfX, 0, 0}, {0, 0, wallHeight},
                   8, 2, {0, -side * 1.0, 0}, wallColour);
        }

        // Posts and crossbar against each end wall.
        Builder g(goals);
        const double halfGoal = 893.0, barHeight = 642.0, bar = 30.0;
        for (int side = -1; side <= 1; side += 2) {
            const double y0 = side * fieldHalfY, y1 = side * (fieldHalfY - bar);
            const double ylo = std::min(y0, y1), yhi = std::max(y0, y1);
            g.box({-halfGoal - bar, ylo, 0}, {-halfGoal, yhi, barHeight}, goalColour);
            g.box({halfGoal, ylo, 0}, {halfGoal + bar, yhi, barHeight}, goalColour);
            g.box({-halfGoal - bar, ylo, barHeight}, {halfGoal + bar, yhi, barHeight + bar},
                  goalColour);
        }

        Builder(ball).sphere({0, 0, 0}, ballRadius, 24, 16, ballColour);

        for (int i = 0; i < sceneMaxCars; ++i) {
            const BodyShape& s = bodyShapes[static_cast<std::size_t>(i)];
            Builder b(bodies[static_cast<std::size_t>(i)]);
            const double hx = s.length / 2, hy = s.width / 2, chassisTop = 1.0 + s.height * 0.62;
            b.box({-hx, -hy, 1.0}, {hx, hy, chassisTop}, s.colour);
            b.box({-hx + s.cabinStart * s.length, -hy * 0.82, chassisTop},
                  {-hx + s.cabinEnd * s.length, hy * 0.82, 1.0 + s.height}, shade(s.colour, 0.45));
        }

        // Every car's four wheels are one draw of one mesh, placed at each car.
        Builder wh(wheels);
        for (int front = -1; front <= 1; front += 2) {
            for (int side = -1; side <= 1; side += 2)
                wh.wheel({front * 40.0, side * 46.0, -2.0}, 15.0, 6.0, 12, wheelColour);
        }

        for (int cars = 0; cars <= sceneMaxCars; ++cars) {
            auto& list = lists[static_cast<std::size_t>(cars)];
            list = {floorMesh, wallMesh, goalMesh, ballMesh};
            for (int i = 0; i < cars; ++i) {
                const BodyShape& s = bodyShapes[static_cast<std::size_t>(i)];
                list.push_back({s.name, s.sizes, s.colour});
            }
            list.push_back(wheelMesh);
        }
    }
};

const Catalogue& catalogue() {
    static const Catalogue instance;
    return instance;
}

} // namespace

int sceneCarCount(int cars) {
    return std::clamp(cars, 0, sceneMaxCars);
}

const std::vector<SimMesh>& sceneMeshes(int cars) {
    return catalogue().lists[static_cast<std::size_t>(sceneCarCount(cars))];
}

SceneMeshUse sceneMeshUse(int index, int cars) {
    const Catalogue& c = catalogue();
    cars = sceneCarCount(cars);
    switch (index) {
    case 0:
        return {&c.floor, ScenePlacement::World, 0};
    case 1:
        return {&c.walls, ScenePlacement::World, 0};
    case 2:
        return {&c.goals, ScenePlacement::World, 0};
    case 3:
        return {&c.ball, ScenePlacement::Ball, 0};
    default:
        break;
    }
    const int car = index - 4;
    if (car >= 0 && car < cars)
        return {&c.bodies[static_cast<std::size_t>(car)], ScenePlacement::Car, car};
    if (car == cars)
        return {&c.wheels, ScenePlacement::AllCars, 0};
    return {};
}

std::size_t sceneMaxVertices() {
    const Catalogue& c = catalogue();
    std::size_t most =
        std::max({c.floor.vertices.size(), c.walls.vertices.size(), c.goals.vertices.size(),
                  c.ball.vertices.size(), c.wheels.vertices.size()});
    for (const SceneGeometry& b : c.bodies)
        most = std::max(most, b.vertices.size());
    return most;
}
