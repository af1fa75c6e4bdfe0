#pragma once
// What a SceneRenderer keeps between frames. Every buffer is sized once, for
// the picture size and the largest mesh, so a frame allocates nothing.

#include "scene_raster.h"
#include "sim_scene.h"

#include <vector>

struct SceneRenderer::State {
    State(std::uint32_t w, std::uint32_t h);

    std::uint32_t width;
    std::uint32_t height;
    SimPicture back;
    std::vector<float> depth; // what the depth buffer stores, 1 where nothing was drawn
    std::vector<std::int8_t> mesh;

    Rasterizer raster;
    std::vector<ViewVertex> view;
    std::vector<ScreenVertex> screen;
    std::vector<std::uint8_t> codes;

    // The effect's view-space factors per column and row (for the pixel
    // and its neighbours on either side), in the effect's float arithmetic,
    // and view depths of three rows for working out the normals.
    std::vector<float> kx, kxRight, kxLeft;
    std::vector<float> ky, kyDown, kyUp;
    std::vector<float> depthRows;
};

// View depth from a depth-buffer value as kivren2.fx computes it, in float.
inline float effectViewDepth(float z) {
    const float n = sceneProjectionNear;
    const float f = sceneProjectionFar;
    return n * f / (f - z * (f - n));
}
