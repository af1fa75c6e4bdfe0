// What kivren2.fx makes of a frame, worked out on the CPU in the effect's own
// single-precision steps: the screen, the depth as grey levels and the
// normals rebuilt from the depth buffer. The effect stores its textures
// upside down with red and blue swapped for the encoder; these pictures are
// upright in R G B order, and the stand-in runtime does the storing.
#include "cpu_features.h"
#include "scene_renderer_state.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

// A value in 0..1 as a UNORM8 render target keeps it (NaN as 0), written
// without branches so that the loops below vectorize.
[[gnu::always_inline]] inline std::uint32_t unorm8(float v) {
    v = v > 0.0f ? v : 0.0f;
    v = v < 1.0f ? v : 1.0f;
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(v * 255.0f + 0.5f));
}

static_assert(std::endian::native == std::endian::little, "pixels are packed R G B A in memory");
[[gnu::always_inline]] inline void store(std::uint8_t* p, std::uint32_t v) {
    std::memcpy(p, &v, 4);
}
[[gnu::always_inline]] inline std::uint32_t load(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

[[gnu::always_inline]] inline std::uint32_t pack(std::uint32_t r, std::uint32_t g,
                                                 std::uint32_t b) {
    return r | g << 8 | b << 16 | 0xff000000u;
}

void resize(SimPicture& picture, std::uint32_t width, std::uint32_t height) {
    picture.width = width;
    picture.height = height;
    picture.rgba.resize(std::size_t{width} * height * 4);
}

// Everything ViewPosition needs besides the depth: ndc * tan(half angle) at
// a pixel's centre and at its neighbours' (coord plus or minus one pixel,
// beyond the edge too: the sampler clamps the depth, not the position).
void effectFactors(std::uint32_t count, bool vertical, float tanHalf, std::vector<float>& centre,
                   std::vector<float>& after, std::vector<float>& before) {
    const float rcp = 1.0f / static_cast<float>(count);
    centre.resize(count);
    after.resize(count);
    before.resize(count);
    auto ndc = [&](float coord) { return vertical ? coord * -2.0f + 1.0f : coord * 2.0f - 1.0f; };
    for (std::uint32_t i = 0; i < count; ++i) {
        // The effect draws into its texture upside down and reads row
        // 1 - texcoord.y, which lands on the centre of source row i.
        float coord = (static_cast<float>(i) + 0.5f) * rcp;
        if (vertical)
            coord = 1.0f - (static_cast<float>(count - 1 - i) + 0.5f) * rcp;
        centre[i] = ndc(coord) * tanHalf;
        after[i] = ndc(coord + rcp) * tanHalf;
        before[i] = ndc(coord - rcp) * tanHalf;
    }
}

struct Float3 {
    float x, y, z;
};

// KivrenNormalPS for one pixel from the depths around it. The effect takes
// right = P(x+1) - P(x) or left = P(x) - P(x-1), whichever changes less in
// depth, and likewise down or up. With g(n) = P(n) - P(x), left is exactly
// -g(x-1) in floating point, so the chosen difference is g of the chosen
// neighbour times a sign, and the signs come out of the cross product
// exactly too: picking the neighbour first saves most of the work without
// changing a bit of the result.
[[gnu::always_inline]] inline std::uint32_t encodeNormal(float kx, float kxr, float kxl, float ky,
                                                         float kyd, float kyu, float dc, float dr,
                                                         float dl, float dd, float du) {
    const bool useRight = std::abs(dc - dr) < std::abs(dl - dc);
    const bool useDown = std::abs(dc - dd) < std::abs(du - dc);
    const float dh = useRight ? dr : dl, kh = useRight ? kxr : kxl;
    const float dv = useDown ? dd : du, kv = useDown ? kyd : kyu;
    const float sign = useRight == useDown ? 1.0f : -1.0f;
    const Float3 gx{kh * dh - kx * dc, ky * dh - ky * dc, dc - dh};
    const Float3 gy{kx * dv - kx * dc, kv * dv - ky * dc, dc - dv};
    const Float3 n{gy.y * gx.z - gy.z * gx.y, gy.z * gx.x - gy.x * gx.z, gy.x * gx.y - gy.y * gx.x};
    const float scale = sign / std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    return pack(unorm8(n.x * scale * 0.5f + 0.5f), unorm8(n.y * scale * 0.5f + 0.5f),
                unorm8(n.z * scale * 0.5f + 0.5f));
}

// Everything the effect passes read and write for one frame.
struct EffectFrame {
    std::uint32_t w, h;
    const float* depthBuffer;
    const std::uint8_t* back;
    std::uint8_t *main, *depth, *normal;
    float* depthRows; // three rows of view depth
    const float *kx, *kxRight, *kxLeft, *ky, *kyDown, *kyUp;
};

// effectViewDepth for a row, spelled out so that the loop vectorizes.
[[gnu::always_inline]] inline void viewDepthRow(const float* z, float* d, std::uint32_t w) {
    const float n = sceneProjectionNear, f = sceneProjectionFar;
    for (std::uint32_t x = 0; x < w; ++x)
        d[x] = n * f / (f - z[x] * (f - n));
}

// The three passes row by row. View depths are kept for three rows at a
// time: the row being written and its neighbours above and below, which its
// normals read.
[[gnu::always_inline]] inline void effectRows(const EffectFrame& e) {
    const std::uint32_t w = e.w, h = e.h;
    float* ring[3] = {e.depthRows, e.depthRows + w, e.depthRows + 2 * w};
    viewDepthRow(e.depthBuffer, ring[0], w);
    if (h > 1)
        viewDepthRow(e.depthBuffer + w, ring[1], w);

    const float range = sceneDepthFar - sceneDepthNear;
    const float *kx = e.kx, *kxr = e.kxRight, *kxl = e.kxLeft;
    for (std::uint32_t y = 0; y < h; ++y) {
        const std::size_t first = std::size_t{y} * w * 4;
        const float* row = ring[y % 3];
        const float* above = y > 0 ? ring[(y - 1) % 3] : row;
        const float* below = y + 1 < h ? ring[(y + 1) % 3] : row;

        std::uint8_t* out = e.depth + first;
        for (std::uint32_t x = 0; x < w; ++x) {
            const std::uint32_t grey = unorm8((sceneDepthFar - row[x]) / range);
            store(out + std::size_t{x} * 4, pack(grey, grey, grey));
        }

        const std::uint8_t* back = e.back + first;
        out = e.main + first;
        for (std::uint32_t x = 0; x < w; ++x)
            store(out + std::size_t{x} * 4, load(back + std::size_t{x} * 4) | 0xff000000u);

        out = e.normal + first;
        const float ky = e.ky[y], kyd = e.kyDown[y], kyu = e.kyUp[y];
        // The first and last columns read their own depth for the missing
        // neighbour, as the clamping sampler does.
        for (const std::uint32_t x : {0u, w - 1}) {
            const std::uint32_t r = std::min(x + 1, w - 1), l = x > 0 ? x - 1 : 0;
            store(out + std::size_t{x} * 4,
                  encodeNormal(kx[x], kxr[x], kxl[x], ky, kyd, kyu, row[x], row[r], row[l],
                               below[x], above[x]));
        }
        for (std::uint32_t x = 1; x + 1 < w; ++x) {
            store(out + std::size_t{x} * 4,
                  encodeNormal(kx[x], kxr[x], kxl[x], ky, kyd, kyu, row[x], row[x + 1], row[x - 1],
                               below[x], above[x]));
        }

        // The row above is done with: its slot takes the row after next.
        if (y + 2 < h)
            viewDepthRow(e.depthBuffer + std::size_t{y + 2} * w, ring[(y + 2) % 3], w);
    }
}

// The same code twice: for any x86-64, and for processors with AVX2, whose
// eight-wide vectors do the same single-precision operations in the same
// order (no fused multiply-add), so both give the same bits.
void effectRowsBaseline(const EffectFrame& e) {
    effectRows(e);
}
[[gnu::target("avx2")]] void effectRowsAvx2(const EffectFrame& e) {
    effectRows(e);
}

} // namespace

SceneRenderer::SceneRenderer(std::uint32_t width, std::uint32_t height)
    : state_(std::make_unique<State>(std::max(width, 1u), std::max(height, 1u))) {
    State& s = *state_;
    const float tanHalfX = std::tan(sceneEffectFov * (std::numbers::pi_v<float> / 180.0f) * 0.5f);
    const float tanHalfY =
        tanHalfX * (1.0f / static_cast<float>(s.width)) / (1.0f / static_cast<float>(s.height));
    effectFactors(s.width, false, tanHalfX, s.kx, s.kxRight, s.kxLeft);
    effectFactors(s.height, true, tanHalfY, s.ky, s.kyDown, s.kyUp);
    s.depthRows.resize(std::size_t{s.width} * 3);
}

float SceneRenderer::viewDepth(std::uint32_t x, std::uint32_t y) const {
    const State& s = *state_;
    if (x >= s.width || y >= s.height)
        return sceneProjectionFar;
    return effectViewDepth(s.depth[std::size_t{y} * s.width + x]);
}

void SceneRenderer::renderEffects(SimPicture& main, SimPicture& depth, SimPicture& normal) const {
    State& s = *state_;
    resize(main, s.width, s.height);
    resize(depth, s.width, s.height);
    resize(normal, s.width, s.height);
    const EffectFrame frame{
        s.width,          s.height,          s.depth.data(),     s.back.rgba.data(),
        main.rgba.data(), depth.rgba.data(), normal.rgba.data(), s.depthRows.data(),
        s.kx.data(),      s.kxRight.data(),  s.kxLeft.data(),    s.ky.data(),
        s.kyDown.data(),  s.kyUp.data()};
    static const bool avx2 = cpuHasAvx2();
    if (avx2)
        effectRowsAvx2(frame);
    else
        effectRowsBaseline(frame);
}
