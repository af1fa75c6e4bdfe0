#pragma once
// A game in miniature that draws the way the real one does: it creates its
// device, immediate context and swap chain with D3D11CreateDeviceAndSwapChain
// of the loaded d3d11 module and issues its indexed draws through the
// context's method table, knowing nothing of the plugin. On Windows that is
// the real Direct3D 11 (colours read back from the render target); here it is
// the stand-in module (colours read from the pixel shader bound at the draw).

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using Rgba = std::array<std::uint8_t, 4>;

// The buffer sizes of one mesh: vertex stride, vertex, index and pixel-shader
// constant buffer bytes.
struct MeshSizes {
    std::uint32_t stride;
    std::uint32_t vertexBytes;
    std::uint32_t indexBytes;
    std::uint32_t constantBytes;
};

// Three meshes whose sizes give three distinct keys; the first is the mesh
// of the worked examples.
inline constexpr std::array<MeshSizes, 3> gameMeshes{{
    {32, 65536, 12288, 4096},
    {32, 32768, 6144, 256},
    {32, 16384, 3072, 512},
}};

// The game's own colour for each mesh, what a frame shows without the plugin.
inline constexpr std::array<Rgba, 3> gameColours{{
    {51, 102, 153, 255},
    {204, 153, 51, 255},
    {102, 204, 102, 255},
}};

class TestGame {
public:
    TestGame();
    ~TestGame();
    TestGame(const TestGame&) = delete;
    TestGame& operator=(const TestGame&) = delete;

    // Empty when the device and everything the frames need were created.
    const std::string& failure() const;

    // One frame: each mesh drawn once with one DrawIndexed, in order; the
    // colour that each came out with.
    std::vector<Rgba> drawFrame();

    // Draws that reached the module's own DrawIndexed, where the module can
    // tell (the stand-in counts them); -1 where it cannot.
    long long driverDraws() const;

    // The code of the context's DrawIndexed (method 12) and the context's method table.
    const std::uint8_t* drawIndexedCode() const;
    void* const* contextMethods() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};
