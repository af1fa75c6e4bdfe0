// The scene renderer: where things land on screen, the depth buffer and the
// pictures kivren2.fx would make of it, coverage without cracks, and flat
// looks.
#include "sim_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <string>

namespace {

constexpr std::uint32_t width = 128, height = 72;

// A still frame without cars: the camera and the ball where the test wants
// them; by default the ball is out of sight behind a wall.
SimReplayState still(Vector eye, Rotator look, float fov, Vector ball = {-6000, -6000, 93.15f}) {
    SimReplayState s;
    s.inReplay = true;
    s.camera = {eye, look, fov};
    s.ball = {ball, {}};
    return s;
}

int meshIndex(const std::string& name, int cars = 0) {
    const std::vector<SimMesh>& meshes = sceneMeshes(cars);
    for (std::size_t i = 0; i < meshes.size(); ++i) {
        if (name == meshes[i].name)
            return static_cast<int>(i);
    }
    return -1;
}

void renderStill(SceneRenderer& r, const SimReplayState& s) {
    r.render(s, std::vector<MeshLook>(sceneMeshes(0).size()));
}

const std::uint8_t* pixel(const SimPicture& p, std::uint32_t x, std::uint32_t y) {
    return p.rgba.data() + (std::size_t{y} * p.width + x) * 4;
}

// The centre of the pixels showing a mesh, and how many there are.
struct Spot {
    double x = 0, y = 0;
    int count = 0;
};

Spot spotOf(const SceneRenderer& r, int mesh) {
    Spot s;
    for (std::uint32_t y = 0; y < r.height(); ++y) {
        for (std::uint32_t x = 0; x < r.width(); ++x) {
            if (r.meshAt(x, y) == mesh) {
                s.x += x + 0.5, s.y += y + 0.5;
                ++s.count;
            }
        }
    }
    if (s.count > 0)
        s.x /= s.count, s.y /= s.count;
    return s;
}

TEST(SceneRenderer, ThingsLandWhereTheCameraSeesThem) {
    SceneRenderer r(width, height);
    const int ball = meshIndex("ball");
    // Field of view 90: one unit aside per unit ahead spans half the width;
    // a unit up per unit ahead spans half the height times width / height.
    const double cx = width / 2.0, cy = height / 2.0, upScale = cy * width / height;
    struct Placement {
        const char* what;
        Rotator look;
        Vector ball;
        double x, y;
    };
    const Placement placements[] = {
        {"+Y is to the right", {0, 0, 0}, {2000, 700, 600}, cx + cx * 0.35, cy},
        {"up is up", {0, 0, 0}, {2000, 0, 1200}, cx, cy - upScale * 0.3},
        {"yaw 16384 looks along +Y", {0, 16384, 0}, {0, 2000, 600}, cx, cy},
        {"with +X on the left", {0, 16384, 0}, {1000, 2000, 600}, cx - cx * 0.5, cy},
        {"rolled a quarter turn right, up is on the left",
         {0, 0, 16384},
         {2000, 0, 1200},
         cx - cx * 0.3,
         cy},
    };
    for (const Placement& p : placements) {
        SCOPED_TRACE(p.what);
        renderStill(r, still({0, 0, 600}, p.look, 90.0f, p.ball));
        const Spot s = spotOf(r, ball);
        ASSERT_GT(s.count, 0);
        EXPECT_NEAR(s.x, p.x, 1.0);
        EXPECT_NEAR(s.y, p.y, 1.0);
    }

    // A ball the host could not place is not drawn; the rest is.
    renderStill(r, still({0, 0, 600}, {0, 0, 0}, 90.0f, {NAN, 0, 600}));
    EXPECT_EQ(spotOf(r, ball).count, 0);
    EXPECT_EQ(r.meshAt(width / 2, height / 2), meshIndex("pitch_walls"));
}

double decodeGrey(std::uint8_t grey) {
    return 20000.0 - grey / 255.0 * 20000.0;
}

TEST(SceneRenderer, DepthPictureDecodesToTheDistanceAlongTheView) {
    SceneRenderer r(width, height);
    SimPicture main, depth, normal;
    const double tanY = double{height} / width; // field of view 90

    // Looking 45 degrees down from 1000 uu: every floor pixel's true view depth.
    renderStill(r, still({0, 0, 1000}, {-8192, 0, 0}, 90.0f));
    r.renderEffects(main, depth, normal);
    const double c = std::sqrt(0.5);
    int floorPixels = 0;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            if (r.meshAt(x, y) != meshIndex("pitch_floor"))
                continue;
            const double sy = (1.0 - 2.0 * (y + 0.5) / height) * tanY;
            // Forward (c, 0, -c), up (c, 0, c): the ray's drop per unit of view
            // depth, the same in every column.
            const double drop = c - sy * c;
            const double expected = 1000.0 / drop;
            if (expected > 15000.0)
                continue;
            ++floorPixels;
            EXPECT_NEAR(r.viewDepth(x, y), expected, 1e-3 * expected) << x << ',' << y;
            EXPECT_NEAR(decodeGrey(pixel(depth, x, y)[0]), expected, 20000.0 / 255.0);
            EXPECT_EQ(pixel(depth, x, y)[1], pixel(depth, x, y)[0]);
        }
    }
    EXPECT_GT(floorPixels, int{width * height / 2});

    // The near side of the ball 2000 uu ahead.
    renderStill(r, still({-2000, 0, 93.15f}, {0, 0, 0}, 90.0f, {0, 0, 93.15f}));
    r.renderEffects(main, depth, normal);
    ASSERT_EQ(r.meshAt(width / 2, height / 2), meshIndex("ball"));
    // The pixel's ray (1, sx, sy) per unit of view depth meets the sphere at t.
    const double sx = 1.0 / width, sy = -tanY / height, k = 1.0 + sx * sx + sy * sy;
    const double t =
        (4000.0 - std::sqrt(4000.0 * 4000.0 - 4.0 * k * (2000.0 * 2000.0 - 93.15 * 93.15))) /
        (2.0 * k);
    // The facets lie inside the sphere by up to 0.8 uu.
    EXPECT_NEAR(r.viewDepth(width / 2, height / 2), t + 0.5, 0.6);
    EXPECT_NEAR(decodeGrey(pixel(depth, width / 2, height / 2)[0]), t, 78.4);

    // Nothing drawn: the far plane, black.
    renderStill(r, still({0, 0, 1000}, {12000, 0, 0}, 90.0f));
    r.renderEffects(main, depth, normal);
    for (std::uint32_t y = 0; y < height; y += 7) {
        for (std::uint32_t x = 0; x < width; x += 5) {
            EXPECT_EQ(r.meshAt(x, y), -1);
            EXPECT_EQ(r.viewDepth(x, y), sceneProjectionFar);
            EXPECT_EQ(pixel(depth, x, y)[0], 0);
        }
    }
}

std::array<double, 3> decodeNormal(const std::uint8_t* p) {
    return {p[0] / 255.0 * 2.0 - 1.0, p[1] / 255.0 * 2.0 - 1.0, p[2] / 255.0 * 2.0 - 1.0};
}

TEST(SceneRenderer, NormalsComeFromTheDepthInViewSpace) {
    SceneRenderer r(width, height);
    SimPicture main, depth, normal;

    // Floor seen 30 degrees from above: its normal leans up and towards us.
    renderStill(r, still({0, 0, 1000}, {-5461, 0, 0}, sceneEffectFov));
    r.renderEffects(main, depth, normal);
    for (std::uint32_t y = height / 2 + 4; y + 1 < height; ++y) {
        for (std::uint32_t x = 1; x + 1 < width; ++x) {
            const auto n = decodeNormal(pixel(normal, x, y));
            ASSERT_NEAR(n[0], 0.0, 0.02) << x << ',' << y;
            ASSERT_NEAR(n[1], std::cos(std::numbers::pi / 6), 0.02) << x << ',' << y;
            ASSERT_NEAR(n[2], std::sin(std::numbers::pi / 6), 0.02) << x << ',' << y;
        }
    }

    // The wall straight ahead faces the camera.
    renderStill(r, still({0, 0, 600}, {0, 0, 0}, sceneEffectFov));
    r.renderEffects(main, depth, normal);
    ASSERT_EQ(r.meshAt(width / 2, height / 2), meshIndex("pitch_walls"));
    for (std::uint32_t y = height / 2 - 2; y < height / 2 + 2; ++y) {
        for (std::uint32_t x = width / 2 - 2; x < width / 2 + 2; ++x) {
            const std::uint8_t* p = pixel(normal, x, y);
            EXPECT_EQ((std::array<int, 4>{p[0], p[1], p[2], p[3]}),
                      (std::array<int, 4>{128, 128, 255, 255}));
        }
    }

    // Turned 45 degrees to the right, the wall on the left faces right.
    renderStill(r, still({0, 0, 600}, {0, 8192, 0}, sceneEffectFov));
    r.renderEffects(main, depth, normal);
    for (std::uint32_t x = 2; x < width / 2 - 2; ++x) {
        const auto n = decodeNormal(pixel(normal, x, height / 2));
        EXPECT_NEAR(n[0], std::sqrt(0.5), 0.03) << x;
        EXPECT_NEAR(n[1], 0.0, 0.03) << x;
        EXPECT_NEAR(n[2], std::sqrt(0.5), 0.03) << x;
    }
}

TEST(SceneRenderer, SurfacesCoverTheScreenWithoutCracks) {
    SceneRenderer r(320, 180);
    auto countNot = [&](int mesh, std::uint32_t fromRow) {
        int others = 0;
        for (std::uint32_t y = fromRow; y < r.height(); ++y) {
            for (std::uint32_t x = 0; x < r.width(); ++x)
                others += r.meshAt(x, y) != mesh;
        }
        return others;
    };

    // Straight down on the centre of the pitch, 4 uu to a pixel and half a
    // pixel off the middle: the edges of the floor cells and their diagonals
    // run exactly through pixel centres, where only the fill rule decides.
    renderStill(r, still({2, -2, 640}, {-16384, 0, 0}, 90.0f));
    EXPECT_EQ(countNot(meshIndex("pitch_floor"), 0), 0);
    int white = 0, green = 0;
    for (std::size_t i = 0; i < r.backBuffer().rgba.size(); i += 4) {
        const std::uint8_t* p = r.backBuffer().rgba.data() + i;
        white += p[0] == 255 && p[1] == 255 && p[2] == 255;
        green += p[1] > p[0] + 30 && p[1] > p[2] + 30;
    }
    EXPECT_GT(white, 200);
    EXPECT_GT(green, 320 * 180 * 3 / 4);

    // The ball filling the view: hundreds of small triangles.
    renderStill(r, still({-150, 0, 200}, {0, 0, 0}, 60.0f, {0, 0, 200}));
    EXPECT_EQ(countNot(meshIndex("ball"), 0), 0);

    // Low over the floor looking level: the floor cells are cut at the near
    // plane under and behind the camera.
    renderStill(r, still({-3000, 100, 40}, {0, 1000, 0}, 100.0f));
    EXPECT_EQ(countNot(meshIndex("pitch_floor"), r.height() / 2 + 2), 0);
}

TEST(SceneRenderer, FlatLooksGiveExactlyTheirColourWhereTheMeshShows) {
    const int cars = 8;
    const std::size_t meshes = sceneMeshes(cars).size();
    SceneRenderer r(width, height);
    SimPicture main, depth, normal;

    for (std::uint32_t frame = 0; frame < 60 * 60; frame += 60 * 5) {
        const SimReplayState scripted = sceneAt(frame, 60.0, cars);
        r.render(scripted, std::vector<MeshLook>(meshes));
        std::vector<int> coverage;
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = 0; x < width; ++x)
                coverage.push_back(r.meshAt(x, y));
        }
        // The camera follows the ball.
        EXPECT_GT(spotOf(r, meshIndex("ball", cars)).count, 0) << frame;

        std::vector<MeshLook> looks(meshes);
        for (std::size_t i = 0; i < meshes; ++i) {
            const auto k = static_cast<std::uint8_t>(i);
            looks[i] = {true,
                        {static_cast<std::uint8_t>(17 * k + 5),
                         static_cast<std::uint8_t>(250 - 13 * k), 77, 255}};
        }
        r.render(scripted, looks);
        r.renderEffects(main, depth, normal);
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = 0; x < width; ++x) {
                const int m = r.meshAt(x, y);
                ASSERT_EQ(m, coverage[std::size_t{y} * width + x]);
                const std::uint8_t* p = pixel(r.backBuffer(), x, y);
                if (m >= 0) {
                    const Rgba& want = looks[static_cast<std::size_t>(m)].colour;
                    ASSERT_EQ(std::memcmp(p, want.data(), 4), 0) << x << ',' << y;
                }
                const std::uint8_t* q = pixel(main, x, y);
                ASSERT_EQ(std::memcmp(p, q, 3), 0);
                ASSERT_EQ(q[3], 255);
            }
        }
    }
}

} // namespace
