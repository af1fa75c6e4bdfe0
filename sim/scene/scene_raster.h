#pragma once
// The triangle rasterizer behind SceneRenderer: clipping in view space,
// projection to 1/256-pixel fixed point, exact integer edge functions with
// the top-left rule (so triangles that share an edge cover each pixel along
// it exactly once), a z-buffer holding what a Direct3D perspective
// projection stores, and either one colour per triangle or the painted
// floor.

#include <cstdint>
#include <vector>

// A vertex in view space: x to the right, y up, d the distance along the
// viewing axis; wx, wy its world position on the floor (for painting lines).
struct ViewVertex {
    double x = 0.0;
    double y = 0.0;
    double d = 0.0;
    double wx = 0.0;
    double wy = 0.0;
};

// A projected vertex: fixed-point pixel position (rows downwards) and the
// values that are affine on screen: 1/d and the world position over d.
struct ScreenVertex {
    std::int64_t x = 0;
    std::int64_t y = 0;
    double invDepth = 0.0;
    double wxOverD = 0.0;
    double wyOverD = 0.0;
};

struct RasterTarget {
    std::uint8_t* rgba = nullptr; // rows top first, R G B A
    float* depth = nullptr;
    std::int8_t* mesh = nullptr;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// How a triangle's pixels are coloured: one packed R G B A value, or the
// floor's paint (grass, stripe, line, in FloorPaint's order) under one light.
struct Paint {
    std::uint32_t colour = 0;
    bool floor = false;
    std::uint32_t floorColours[3] = {};
    std::int8_t mesh = -1;
};

// Outcode bits of a view-space vertex.
enum : std::uint8_t {
    OutsideLeft = 1,
    OutsideRight = 2,
    OutsideBelow = 4,
    OutsideAbove = 8,
    OutsideNear = 16,
    OutsideFar = 32,
    // Projecting would leave the fixed-point range: clip first.
    NeedsClip = 64,
};

std::uint32_t packRgba(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a);

class Rasterizer {
public:
    void setTarget(const RasterTarget& target);
    // The half-angle tangents of the field of view and the clip planes.
    void setProjection(double tanHalfX, double tanHalfY, double nearPlane, double farPlane);

    std::uint8_t classify(const ViewVertex& v) const;
    ScreenVertex project(const ViewVertex& v) const;

    // One triangle of vertices with their codes; `screen` holds their
    // projections when no code asks for clipping (shared vertices then
    // project once, which keeps shared edges identical).
    void triangle(const ViewVertex* const view[3], const std::uint8_t codes[3],
                  const ScreenVertex* const screen[3], const Paint& paint);

private:
    void clipAndFill(const ViewVertex* const view[3], const Paint& paint);
    void fill(ScreenVertex a, ScreenVertex b, ScreenVertex c, const Paint& paint);
    template <bool Floor>
    void fillSpans(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                   std::int64_t area, const Paint& paint);

    RasterTarget target_;
    std::vector<std::uint32_t> spanPaint_; // the floor paint of one row's span
    double tanX_ = 1.0, tanY_ = 1.0;
    double near_ = 10.0, far_ = 100000.0;
    double scaleX_ = 1.0, scaleY_ = 1.0;
    double zScale_ = 1.0, zOffset_ = 0.0;
};
