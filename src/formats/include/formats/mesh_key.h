#pragma once
// The identity of a mesh: the sizes of the buffers bound for its draw. The
// key holds no addresses, so a mesh keeps its key from one run of the game to
// the next as long as its buffers keep their sizes.

#include <cstddef>
#include <cstdint>

struct MeshKey {
    std::uint32_t stride = 0;        // vertex buffer slot 0
    std::uint32_t vertexBytes = 0;   // buffer in vertex buffer slot 0
    std::uint32_t indexBytes = 0;    // bound index buffer
    std::uint32_t constantBytes = 0; // pixel-shader constant buffer slot 0

    friend bool operator==(const MeshKey&, const MeshKey&) = default;
};

// Printed and parsed as lower-case hexadecimal without prefix.
using MeshHash = std::uint64_t;

MeshHash hashMeshKey(const MeshKey& key) noexcept;

struct MeshKeyHasher {
    std::size_t operator()(const MeshKey& key) const noexcept {
        return static_cast<std::size_t>(hashMeshKey(key));
    }
};

// A flat colour of the ID pass, each channel from 0 to 1.
struct IdColour {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;

    friend bool operator==(const IdColour&, const IdColour&) = default;
};

// One mesh of the ID pass as the settings page lists it.
struct IdPassEntry {
    MeshHash hash = 0;
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};
