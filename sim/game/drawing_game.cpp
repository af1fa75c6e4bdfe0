#include "drawing_game.h"

std::string drawableMeshProblem(const SimMesh& mesh) {
    const MeshSizes& s = mesh.sizes;
    const std::string name = mesh.name ? mesh.name : "(unnamed)";
    if (s.stride < 32 || s.stride % 4 != 0)
        return name + ": the vertex stride must be a multiple of 4 of at least 32 bytes";
    if (s.vertexBytes < 4 * s.stride)
        return name + ": the vertex buffer holds fewer than four vertices";
    if (s.indexBytes < 12)
        return name + ": the index buffer holds fewer than six 16-bit indices";
    if (s.constantBytes == 0 || s.constantBytes % 16 != 0)
        return name + ": the constant buffer must be a non-zero multiple of 16 bytes";
    return {};
}
