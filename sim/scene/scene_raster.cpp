#include "scene_raster.h"

#include "scene_meshes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>

namespace {

constexpr std::int64_t subpixel = 256;
constexpr std::int64_t halfPixel = subpixel / 2;
// Vertices further to the side than this many half-screens are clipped
// before projecting, which keeps fixed-point products far inside 64 bits.
// The clipped edges lie off screen, so no seam can show.
constexpr double guardBand = 16.0;

std::int64_t floorDiv(std::int64_t n, std::int64_t d) { // d > 0
    const std::int64_t q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}
std::int64_t ceilDiv(std::int64_t n, std::int64_t d) {
    return -floorDiv(-n, d);
}

// The edge from p to q as a * (x - p.x) + b * (y - p.y): positive on the
// triangle's side once the triangle is turned to positive area. Pixels
// exactly on an edge belong to it only on a left or a top edge (the top-left
// rule).
struct Edge {
    std::int64_t a, b;
    std::int64_t bias;
    std::int64_t at(std::int64_t px, std::int64_t py, const ScreenVertex& p) const {
        return a * (px - p.x) + b * (py - p.y);
    }
};

Edge edgeOf(const ScreenVertex& p, const ScreenVertex& q) {
    Edge e{p.y - q.y, q.x - p.x, 0};
    const bool topLeft = e.a > 0 || (e.a == 0 && e.b > 0);
    e.bias = topLeft ? 0 : -1;
    return e;
}

ViewVertex lerp(const ViewVertex& in, const ViewVertex& out, double t) {
    return {in.x + (out.x - in.x) * t, in.y + (out.y - in.y) * t, in.d + (out.d - in.d) * t,
            in.wx + (out.wx - in.wx) * t, in.wy + (out.wy - in.wy) * t};
}

void store(std::uint8_t* rgba, std::uint32_t colour) {
    std::memcpy(rgba, &colour, 4);
}

} // namespace

std::uint32_t packRgba(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    const std::array<std::uint8_t, 4> bytes{r, g, b, a};
    std::uint32_t packed;
    std::memcpy(&packed, bytes.data(), 4);
    return packed;
}

void Rasterizer::setTarget(const RasterTarget& target) {
    target_ = target;
    spanPaint_.resize(target.width);
}

void Rasterizer::setProjection(double tanHalfX, double tanHalfY, double nearPlane,
                               double farPlane) {
    tanX_ = tanHalfX;
    tanY_ = tanHalfY;
    near_ = nearPlane;
    far_ = farPlane;
    scaleX_ = target_.width / (2.0 * tanHalfX);
    scaleY_ = target_.height / (2.0 * tanHalfY);
    // z = f / (f - n) * (1 - n / d), as an affine function of 1/d.
    zOffset_ = farPlane / (farPlane - nearPlane);
    zScale_ = farPlane * nearPlane / (farPlane - nearPlane);
}

std::uint8_t Rasterizer::classify(const ViewVertex& v) const {
    std::uint8_t code = 0;
    const double ex = tanX_ * v.d, ey = tanY_ * v.d;
    if (v.x < -ex)
        code |= OutsideLeft;
    if (v.x > ex)
        code |= OutsideRight;
    if (v.y < -ey)
        code |= OutsideBelow;
    if (v.y > ey)
        code |= OutsideAbove;
    if (v.d > far_)
        code |= OutsideFar;
    if (v.d < near_)
        code |= OutsideNear | NeedsClip;
    else if (std::abs(v.x) > guardBand * ex || std::abs(v.y) > guardBand * ey)
        code |= NeedsClip;
    return code;
}

ScreenVertex Rasterizer::project(const ViewVertex& v) const {
    const double inv = 1.0 / v.d;
    const double sx = target_.width * 0.5 + v.x * inv * scaleX_;
    const double sy = target_.height * 0.5 - v.y * inv * scaleY_;
    return {std::llround(sx * subpixel), std::llround(sy * subpixel), inv, v.wx * inv, v.wy * inv};
}

void Rasterizer::triangle(const ViewVertex* const view[3], const std::uint8_t codes[3],
                          const ScreenVertex* const screen[3], const Paint& paint) {
    constexpr std::uint8_t reject =
        OutsideLeft | OutsideRight | OutsideBelow | OutsideAbove | OutsideNear | OutsideFar;
    if (codes[0] & codes[1] & codes[2] & reject)
        return;
    if ((codes[0] | codes[1] | codes[2]) & NeedsClip)
        clipAndFill(view, paint);
    else
        fill(*screen[0], *screen[1], *screen[2], paint);
}

void Rasterizer::clipAndFill(const ViewVertex* const view[3], const Paint& paint) {
    // Each plane adds at most one vertex to a convex polygon.
    std::array<ViewVertex, 12> polygon{*view[0], *view[1], *view[2]};
    std::array<ViewVertex, 12> clipped;
    std::size_t count = 3;
    const double gx = guardBand * tanX_, gy = guardBand * tanY_;
    auto distance = [&](int plane, const ViewVertex& v) {
        switch (plane) {
        case 0:
            return v.d - near_;
        case 1:
            return gx * v.d - v.x;
        case 2:
            return gx * v.d + v.x;
        case 3:
            return gy * v.d - v.y;
        default:
            return gy * v.d + v.y;
        }
    };
    for (int plane = 0; plane < 5 && count >= 3; ++plane) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const ViewVertex& cur = polygon[i];
            const ViewVertex& prev = polygon[(i + count - 1) % count];
            const double dc = distance(plane, cur), dp = distance(plane, prev);
            // The crossing is always measured from the inside vertex, so two
            // triangles sharing the edge compute the same point.
            if (dc >= 0.0) {
                if (dp < 0.0)
                    clipped[kept++] = lerp(cur, prev, dc / (dc - dp));
                clipped[kept++] = cur;
            } else if (dp >= 0.0) {
                clipped[kept++] = lerp(prev, cur, dp / (dp - dc));
            }
        }
        std::swap(polygon, clipped);
        count = kept;
    }
    if (count < 3)
        return;
    const ScreenVertex first = project(polygon[0]);
    ScreenVertex previous = project(polygon[1]);
    for (std::size_t i = 2; i < count; ++i) {
        const ScreenVertex next = project(polygon[i]);
        fill(first, previous, next, paint);
        previous = next;
    }
}

void Rasterizer::fill(ScreenVertex a, ScreenVertex b, ScreenVertex c, const Paint& paint) {
    std::int64_t area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (area == 0)
        return;
    if (area < 0) {
        std::swap(b, c);
        area = -area;
    }
    if (paint.floor)
        fillSpans<true>(a, b, c, area, paint);
    else
        fillSpans<false>(a, b, c, area, paint);
}

template <bool Floor>
void Rasterizer::fillSpans(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                           std::int64_t area, const Paint& paint) {
    const auto w = static_cast<std::int64_t>(target_.width);
    const auto h = static_cast<std::int64_t>(target_.height);
    const std::int64_t i0 =
        std::max<std::int64_t>(0, ceilDiv(std::min({a.x, b.x, c.x}) - halfPixel, subpixel));
    const std::int64_t i1 =
        std::min<std::int64_t>(w - 1, floorDiv(std::max({a.x, b.x, c.x}) - halfPixel, subpixel));
    const std::int64_t j0 =
        std::max<std::int64_t>(0, ceilDiv(std::min({a.y, b.y, c.y}) - halfPixel, subpixel));
    const std::int64_t j1 =
        std::min<std::int64_t>(h - 1, floorDiv(std::max({a.y, b.y, c.y}) - halfPixel, subpixel));
    if (i0 > i1 || j0 > j1)
        return;

    // Edge k is opposite vertex k and weighs that vertex's values.
    const std::array<Edge, 3> edges{edgeOf(b, c), edgeOf(c, a), edgeOf(a, b)};
    const std::array<const ScreenVertex*, 3> from{&b, &c, &a};
    const double rcpArea = 1.0 / static_cast<double>(area);
    auto gradient = [&](double ScreenVertex::*value) {
        return (static_cast<double>(edges[0].a) * (a.*value) +
                static_cast<double>(edges[1].a) * (b.*value) +
                static_cast<double>(edges[2].a) * (c.*value)) *
               subpixel * rcpArea;
    };
    const double invStep = gradient(&ScreenVertex::invDepth);
    const double wxStep = Floor ? gradient(&ScreenVertex::wxOverD) : 0.0;
    const double wyStep = Floor ? gradient(&ScreenVertex::wyOverD) : 0.0;

    const std::int64_t px0 = i0 * subpixel + halfPixel;
    for (std::int64_t j = j0; j <= j1; ++j) {
        const std::int64_t py = j * subpixel + halfPixel;
        // Where on this row all three edges admit the pixel: solved per edge
        // rather than tested per pixel.
        std::array<std::int64_t, 3> e{};
        std::int64_t lo = 0, hi = i1 - i0;
        for (std::size_t k = 0; k < 3; ++k) {
            e[k] = edges[k].at(px0, py, *from[k]);
            const std::int64_t start = e[k] + edges[k].bias;
            const std::int64_t step = edges[k].a * subpixel;
            if (step > 0)
                lo = std::max(lo, ceilDiv(-start, step));
            else if (step < 0)
                hi = std::min(hi, floorDiv(start, -step));
            else if (start < 0)
                hi = -1;
        }
        if (lo > hi)
            continue;

        auto rowValue = [&](double ScreenVertex::*value) {
            return (static_cast<double>(e[0]) * (a.*value) +
                    static_cast<double>(e[1]) * (b.*value) +
                    static_cast<double>(e[2]) * (c.*value)) *
                   rcpArea;
        };
        const double invRow = rowValue(&ScreenVertex::invDepth);
        const double wxRow = Floor ? rowValue(&ScreenVertex::wxOverD) : 0.0;
        const double wyRow = Floor ? rowValue(&ScreenVertex::wyOverD) : 0.0;

        const std::size_t row = static_cast<std::size_t>(j) * target_.width;
        float* depth = target_.depth + row + i0;
        std::uint8_t* rgba = target_.rgba + (row + static_cast<std::size_t>(i0)) * 4;
        std::int8_t* mesh = target_.mesh + row + i0;
        if constexpr (Floor) {
            // The paint of the whole span first, in a loop without branches
            // that vectorizes: single precision is plenty for choosing paint.
            const auto inv0 = static_cast<float>(invRow + static_cast<double>(lo) * invStep);
            const auto wx0 = static_cast<float>(wxRow + static_cast<double>(lo) * wxStep);
            const auto wy0 = static_cast<float>(wyRow + static_cast<double>(lo) * wyStep);
            const auto invF = static_cast<float>(invStep), wxF = static_cast<float>(wxStep),
                       wyF = static_cast<float>(wyStep);
            std::uint32_t* paints = spanPaint_.data();
            const auto count = static_cast<std::int32_t>(hi - lo + 1);
            for (std::int32_t k = 0; k < count; ++k) {
                const auto kf = static_cast<float>(k);
                const float d = 1.0f / (inv0 + kf * invF);
                paints[k] = floorPaintAt((wx0 + kf * wxF) * d, (wy0 + kf * wyF) * d);
            }
        }
        for (std::int64_t k = lo; k <= hi; ++k) {
            const double inv = invRow + static_cast<double>(k) * invStep;
            const auto z = static_cast<float>(zOffset_ - zScale_ * inv);
            if (!(z < depth[k]))
                continue;
            depth[k] = z;
            mesh[k] = paint.mesh;
            if constexpr (Floor)
                store(rgba + k * 4,
                      paint.floorColours[spanPaint_[static_cast<std::size_t>(k - lo)]]);
            else
                store(rgba + k * 4, paint.colour);
        }
    }
}
