#pragma once
// A game in miniature that draws the way the real one does: it creates its
// device, immediate context and swap chain with D3D11CreateDeviceAndSwapChain
// of the loaded d3d11 module and issues one indexed draw per mesh through the
// context's method table, knowing nothing of the plugin. On Windows that is
// the real Direct3D 11 (each mesh a quad in a cell of its own, read back after
// the frame); elsewhere it is the stand-in module (the colour read from the
// pixel shader bound at the draw).

#include "sim_mesh.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// Three meshes whose sizes give three distinct keys, in colours of their
// own; the first is the mesh of the worked examples.
inline constexpr std::array<SimMesh, 3> sampleMeshes{{
    {"first", {32, 65536, 12288, 4096}, {51, 102, 153, 255}},
    {"second", {32, 32768, 6144, 256}, {204, 153, 51, 255}},
    {"third", {32, 16384, 3072, 512}, {102, 204, 102, 255}},
}};

class DrawingGame {
public:
    // Every mesh needs a vertex stride of at least 32 bytes (a position and
    // a colour), room for four vertices and six 16-bit indices, and a
    // constant buffer of a multiple of 16 bytes, as Direct3D asks.
    explicit DrawingGame(std::span<const SimMesh> meshes);
    ~DrawingGame();
    DrawingGame(const DrawingGame&) = delete;
    DrawingGame& operator=(const DrawingGame&) = delete;

    // Empty when the device and everything the frames need were created.
    const std::string& failure() const;

    const std::vector<SimMesh>& meshes() const;

    // One frame: each mesh drawn once with one DrawIndexed, in order; the
    // colour that each came out with (all zero if the frame failed).
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

// Whether a mesh can be drawn by DrawingGame; empty when it can, else why not.
std::string drawableMeshProblem(const SimMesh& mesh);
