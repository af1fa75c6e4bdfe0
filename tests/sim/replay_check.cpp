#include "replay_check.h"

#include "idpass/mesh_identity.h"
#include "plugin_library.h"

#include <cmath>
#include <sstream>

std::filesystem::path simProgram() {
    return executableFolder() / KIVREN_SIM_PROGRAM;
}

std::filesystem::path fakeEncoder() {
    return executableFolder() / KIVREN_FAKE_ENCODER;
}

SimReplayState stateFromEntry(const FrameData& data, const FrameEntry& entry) {
    auto vector = [](const std::array<float, 3>& v) { return Vector{v[0], v[1], v[2]}; };
    auto rotator = [](const std::array<float, 4>& q) {
        return rotatorFromQuaternion(q[0], q[1], q[2], q[3]);
    };
    SimReplayState state;
    state.inReplay = entry.hasReplay;
    state.camera.location = vector(entry.camera.location);
    state.camera.rotation = rotator(entry.camera.quaternion);
    state.camera.fov = entry.camera.fieldOfView;
    state.ball = {vector(entry.ball.location), rotator(entry.ball.quaternion)};
    for (const ActorPose& car : data.carsOf(entry))
        state.cars.push_back({vector(car.location), rotator(car.quaternion)});
    return state;
}

Rgba flatColour(const SimMesh& mesh) {
    const MeshSizes& s = mesh.sizes;
    const IdColour colour =
        autoColour(hashMeshKey({s.stride, s.vertexBytes, s.indexBytes, s.constantBytes}));
    auto channel = [](float value) {
        return static_cast<std::uint8_t>(std::lround(value * 255.0f));
    };
    return {channel(colour.r), channel(colour.g), channel(colour.b), 255};
}

std::vector<MeshLook> looksFor(int cars, const std::vector<std::string>& listed) {
    std::vector<MeshLook> looks;
    for (const SimMesh& mesh : sceneMeshes(cars)) {
        bool flat = false;
        for (const std::string& name : listed)
            flat |= name == mesh.name;
        looks.push_back(flat ? MeshLook{true, flatColour(mesh)} : MeshLook{false, mesh.gameColour});
    }
    return looks;
}

bool interiorPixel(const SceneRenderer& renderer, std::uint32_t x, std::uint32_t y) {
    if (x == 0 || y == 0 || x + 1 >= renderer.width() || y + 1 >= renderer.height())
        return false;
    const int mesh = renderer.meshAt(x, y);
    for (std::uint32_t ny = y - 1; ny <= y + 1; ++ny)
        for (std::uint32_t nx = x - 1; nx <= x + 1; ++nx)
            if (renderer.meshAt(nx, ny) != mesh)
                return false;
    return true;
}

long long summaryCount(const std::string& output, const std::string& file) {
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t at = line.find(file + " ");
        if (line.rfind("  ", 0) != 0 || at != 2)
            continue;
        std::istringstream rest(line.substr(at + file.size()));
        long long count = -1;
        rest >> count;
        return count;
    }
    return -1;
}

std::vector<std::string> linesStartingWith(const std::string& output, const std::string& prefix) {
    std::vector<std::string> found;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind(prefix, 0) == 0)
            found.push_back(line);
    }
    return found;
}
