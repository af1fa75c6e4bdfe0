#pragma once
// What the stand-in games know of a mesh on the Direct3D side: the sizes of
// the buffers bound when it is drawn (which make its identity for the ID
// pass) and the colour that the game's own pixel shader gives it.

#include <array>
#include <cstdint>

using Rgba = std::array<std::uint8_t, 4>;

// Vertex stride, vertex buffer, index buffer and pixel-shader constant
// buffer bytes.
struct MeshSizes {
    std::uint32_t stride;
    std::uint32_t vertexBytes;
    std::uint32_t indexBytes;
    std::uint32_t constantBytes;
};

struct SimMesh {
    const char* name;
    MeshSizes sizes;
    Rgba gameColour;
};
