#include "replay_check.h"

#include "formats/mesh_identity.h"
#include "plugin_library.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
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

SimPicture videoFrame(const std::string& frames, std::size_t index, std::uint32_t width,
                      std::uint32_t height) {
    const std::size_t size = std::size_t{width} * height * 4;
    SimPicture picture{width, height, std::vector<std::uint8_t>(size)};
    if ((index + 1) * size <= frames.size())
        std::copy_n(frames.begin() + static_cast<std::ptrdiff_t>(index * size), size,
                    picture.rgba.begin());
    return picture;
}

double psnr(const SimPicture& a, const SimPicture& b) {
    double squares = 0;
    for (std::size_t i = 0; i < a.rgba.size(); ++i) {
        if (i % 4 == 3)
            continue;
        const double d = static_cast<double>(a.rgba[i]) - static_cast<double>(b.rgba[i]);
        squares += d * d;
    }
    const double mse = squares / static_cast<double>(a.rgba.size() / 4 * 3);
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

void expectMainFramesShowTheirEntries(const FrameData& data, const std::string& frames,
                                      std::uint32_t width, std::uint32_t height, int cars,
                                      double minimum) {
    ASSERT_GE(frames.size(), data.entries.size() * width * height * 4);
    SceneRenderer renderer(width, height);
    std::vector<SimPicture> expected(data.entries.size());
    SimPicture depth, normal;
    for (std::size_t k = 0; k < data.entries.size(); ++k) {
        EXPECT_TRUE(data.entries[k].hasReplay) << k;
        renderer.render(stateFromEntry(data, data.entries[k]), looksFor(cars, {}));
        renderer.renderEffects(expected[k], depth, normal);
    }
    for (std::size_t k = 0; k < expected.size(); ++k) {
        const SimPicture frame = videoFrame(frames, k, width, height);
        const double own = psnr(frame, expected[k]);
        EXPECT_GT(own, minimum) << "Main frame " << k;
        for (std::size_t other : {k - 1, k + 1}) {
            if (other < expected.size()) {
                EXPECT_GT(own, psnr(frame, expected[other])) << k << " against " << other;
            }
        }
    }
}

CustomTally tallyCustomFrames(const std::string& frames, std::uint32_t width, std::uint32_t height,
                              int cars, int gameFps, const std::vector<std::string>& listed,
                              int flatTolerance, int unlistedTolerance) {
    const std::vector<MeshLook> looks = looksFor(cars, listed);
    CustomTally tally{std::vector<std::size_t>(looks.size()),
                      std::vector<std::size_t>(looks.size())};
    auto within = [](const std::uint8_t* got, const std::uint8_t* want, int tolerance) {
        for (std::size_t c = 0; c < 3; ++c)
            if (std::abs(int{got[c]} - int{want[c]}) > tolerance)
                return false;
        return true;
    };
    SceneRenderer renderer(width, height);
    const std::size_t count = frames.size() / (std::size_t{width} * height * 4);
    for (std::size_t k = 0; k < count; ++k) {
        renderer.render(sceneAt(static_cast<std::uint32_t>(2 * k + 1), gameFps, cars), looks);
        const SimPicture frame = videoFrame(frames, k, width, height);
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = 0; x < width; ++x) {
                const int mesh = renderer.meshAt(x, y);
                if (mesh < 0 || !interiorPixel(renderer, x, y))
                    continue;
                const auto i = static_cast<std::size_t>(mesh);
                const std::size_t at = (std::size_t{y} * width + x) * 4;
                const std::uint8_t* got = &frame.rgba[at];
                if (looks[i].flat) {
                    ++tally.seen[i];
                    tally.close[i] += within(got, looks[i].colour.data(), flatTolerance);
                } else {
                    ++tally.unlisted;
                    tally.unlistedClose +=
                        within(got, &renderer.backBuffer().rgba[at], unlistedTolerance);
                }
            }
        }
    }
    return tally;
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
