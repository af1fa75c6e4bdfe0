// The ID pass and debug-models mode on their own, on the stand-in Direct3D 11
// device: when shaders are compiled and on which device, what each colour
// change costs, what is bound for a mesh, and that every graphics object the
// ID pass took is released exactly once.
#include "counted_device.h"
#include "formats/mesh_identity.h"
#include "idpass/debug_models.h"
#include "idpass/flat_shader.h"
#include "idpass/id_pass.h"
#include "sim_d3d11.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

constexpr MeshHash workedHash = 0x4dc13974d71cc7a7;

class IdPassOnDevice : public testing::Test, public CountedDevice {
protected:
    ~IdPassOnDevice() override { idPass.releaseGraphicsObjects(); }

    SimDevice& sim() { return *static_cast<SimDevice*>(device); }
    ID3D11PixelShader* bound() const {
        return static_cast<SimDeviceContext*>(context)->boundPixelShader();
    }
    ID3D11PixelShader* shaderOf(MeshHash hash) const { return idPass.shaders().at(hash); }
    static bool alive(ID3D11PixelShader* shader) {
        return static_cast<SimPixelShader*>(shader)->alive();
    }

    // What the compiler makes of the flat shader for the colour: shaders of
    // equal colours have equal bytes.
    std::vector<std::uint8_t> flat(IdColour colour) {
        ID3D11PixelShader* shader = nullptr;
        EXPECT_EQ(compileFlatShader(device, colour.r, colour.g, colour.b, &shader), S_OK);
        std::vector<std::uint8_t> bytes = simShaderBytecode(shader);
        if (shader)
            shader->Release();
        return bytes;
    }

    IdPass idPass;
};

} // namespace

TEST_F(IdPassOnDevice, NothingIsCompiledBeforeTheDeviceIsTakenAndEverythingWaitingIsThen) {
    EXPECT_EQ(idPass.highlightColour(), (IdColour{1.0f, 0.0f, 1.0f}));
    const IdColour chosen{0.25f, 0.5f, 0.75f};
    idPass.setColour(0x1a2b, chosen); // coloured, not listed
    idPass.addMesh(workedHash);
    idPass.setHighlightColour({0.0f, 1.0f, 0.0f});
    EXPECT_EQ(idPass.highlightColour(), (IdColour{0.0f, 1.0f, 0.0f}));
    EXPECT_FALSE(idPass.deviceTaken() || idPass.highlightReady());
    EXPECT_EQ(idPass.highlightShader(), nullptr);
    EXPECT_TRUE(idPass.shaders().empty());
    EXPECT_EQ(sim().pixelShadersCreated(), 0u);

    idPass.takeDevice(context);
    const std::size_t created = sim().pixelShadersCreated();
    EXPECT_EQ(created, 3u);
    EXPECT_EQ(idPass.device(), device);
    EXPECT_TRUE(idPass.deviceTaken() && idPass.highlightReady());
    // The first highlight is (1, 0, 1) whatever colour was asked for before.
    EXPECT_EQ(simShaderBytecode(idPass.highlightShader()), flat({1.0f, 0.0f, 1.0f}));
    EXPECT_EQ(simShaderBytecode(shaderOf(0x1a2b)), flat(chosen));
    EXPECT_EQ(simShaderBytecode(shaderOf(workedHash)), flat(autoColour(workedHash)));

    // Taken once: a second take compiles nothing.
    idPass.takeDevice(context);
    EXPECT_EQ(sim().pixelShadersCreated(), created + 3) << "only the three compared above";

    // Only listed meshes are in the list; every coloured one is on the page.
    EXPECT_EQ(idPass.listedMeshes(), std::vector<MeshHash>{workedHash});
    const auto listed = idPass.listedEntries();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ((IdColour{listed[0].r, listed[0].g, listed[0].b}), autoColour(workedHash));
    EXPECT_EQ(idPass.entries().size(), 2u);
}

TEST_F(IdPassOnDevice, AColourChangeRecompilesThatMeshAloneAndReleasesItsOldShaderOnce) {
    idPass.takeDevice(context);
    idPass.addMesh(0xa);
    idPass.addMesh(0xb);
    ID3D11PixelShader* oldA = shaderOf(0xa);
    ID3D11PixelShader* b = shaderOf(0xb);
    const std::size_t live = simd3d::liveObjects();
    const std::size_t created = sim().pixelShadersCreated();

    const IdColour edited{0.1f, 0.2f, 0.3f};
    idPass.setColour(0xa, edited);
    EXPECT_EQ(sim().pixelShadersCreated(), created + 1);
    EXPECT_EQ(simd3d::liveObjects(), live) << "one made, one released";
    EXPECT_FALSE(alive(oldA));
    EXPECT_EQ(shaderOf(0xb), b);
    EXPECT_EQ(simShaderBytecode(shaderOf(0xa)), flat(edited));

    // Adding a coloured mesh again keeps its colour and its shader.
    ID3D11PixelShader* newA = shaderOf(0xa);
    idPass.addMesh(0xa);
    EXPECT_EQ(idPass.colours().at(0xa), edited);
    EXPECT_EQ(shaderOf(0xa), newA);

    ID3D11PixelShader* oldHighlight = idPass.highlightShader();
    idPass.setHighlightColour({0.0f, 1.0f, 0.0f});
    EXPECT_FALSE(alive(oldHighlight));
    EXPECT_EQ(simShaderBytecode(idPass.highlightShader()), flat({0.0f, 1.0f, 0.0f}));
    EXPECT_TRUE(idPass.highlightReady());
}

TEST_F(IdPassOnDevice, OnlyAListedMeshWithAShaderGetsItsColourBound) {
    idPass.takeDevice(context);
    idPass.setColour(0xc, {1.0f, 1.0f, 1.0f}); // has a shader, not listed
    idPass.addMesh(0xa);

    idPass.bindHighlight(context);
    EXPECT_EQ(bound(), idPass.highlightShader());
    for (const MeshHash unlisted : {MeshHash{0xc}, MeshHash{0xd}}) {
        idPass.bindMeshColour(context, unlisted);
        EXPECT_EQ(bound(), idPass.highlightShader()) << unlisted;
    }
    idPass.bindMeshColour(context, 0xa);
    EXPECT_EQ(bound(), shaderOf(0xa));
}

// The mesh stays listed without a shader and keeps the game's shader; the
// highlight goes unready. A new colour compiles again, adding the mesh again
// does not.
TEST_F(IdPassOnDevice, AFailedCompileLeavesTheMeshListedWithoutAShader) {
    idPass.takeDevice(context);
    idPass.addMesh(0xa);
    idPass.bindMeshColour(context, 0xa);
    sim().failPixelShaders(E_OUTOFMEMORY);
    idPass.addMesh(0xe);
    EXPECT_EQ(idPass.listedMeshes().size(), 2u);
    EXPECT_EQ(idPass.colours().at(0xe), autoColour(0xe));
    EXPECT_EQ(shaderOf(0xe), nullptr);
    idPass.bindMeshColour(context, 0xe);
    EXPECT_EQ(bound(), shaderOf(0xa));

    idPass.setHighlightColour({0.0f, 0.0f, 1.0f});
    EXPECT_FALSE(idPass.highlightReady());
    EXPECT_EQ(idPass.highlightShader(), nullptr);
    idPass.bindHighlight(context);
    EXPECT_EQ(bound(), shaderOf(0xa));

    sim().failPixelShaders(S_OK);
    idPass.addMesh(0xe);
    EXPECT_EQ(shaderOf(0xe), nullptr);
    idPass.setColour(0xe, {0.0f, 0.0f, 1.0f});
    idPass.bindMeshColour(context, 0xe);
    ASSERT_NE(shaderOf(0xe), nullptr);
    EXPECT_EQ(bound(), shaderOf(0xe));
}

TEST_F(IdPassOnDevice, ClearReleasesEveryShaderAndForgetsTheColours) {
    idPass.takeDevice(context);
    idPass.addMesh(workedHash);
    idPass.setColour(workedHash, {0.1f, 0.2f, 0.3f});
    idPass.setColour(0x99, {1.0f, 1.0f, 1.0f});
    const std::size_t live = simd3d::liveObjects();

    idPass.clear();
    EXPECT_EQ(simd3d::liveObjects(), live - 2);
    EXPECT_TRUE(idPass.meshes().empty() && idPass.colours().empty() && idPass.shaders().empty());
    EXPECT_TRUE(idPass.entries().empty());
    EXPECT_NE(idPass.highlightShader(), nullptr) << "the highlight is no mesh's";

    idPass.addMesh(workedHash);
    EXPECT_EQ(idPass.colours().at(workedHash), autoColour(workedHash));
    EXPECT_NE(shaderOf(workedHash), nullptr);
}

// The fixture checks that the device, the highlight and each shader went
// exactly once, after a second release too.
TEST_F(IdPassOnDevice, ReleasingTheGraphicsObjectsTwiceReleasesEachOnce) {
    idPass.takeDevice(context);
    idPass.addMesh(0xa);
    idPass.setColour(0xb, {0.5f, 0.5f, 0.5f});
    idPass.releaseGraphicsObjects();
    EXPECT_EQ(simd3d::misuseCount(), 0u) << simd3d::firstMisuse();
    idPass.releaseGraphicsObjects();
    // Nothing is compiled on the released device afterwards.
    const std::size_t created = sim().pixelShadersCreated();
    idPass.setColour(0xa, {0.0f, 1.0f, 1.0f});
    idPass.setHighlightColour({0.0f, 1.0f, 1.0f});
    EXPECT_EQ(sim().pixelShadersCreated(), created);
    EXPECT_FALSE(idPass.highlightReady());
}

TEST(DebugModels, RemembersEveryMeshAndAnswersWhetherItIsTheSelection) {
    DebugModels models;
    const MeshKey key{32, 65536, 12288, 4096};
    EXPECT_TRUE(models.remember(MeshKey{})) << "the selection starts as the all-zero key";
    EXPECT_FALSE(models.remember(key));
    models.select(key);
    EXPECT_TRUE(models.remember(key));
    EXPECT_FALSE(models.remember(MeshKey{}));
    EXPECT_EQ(models.seen(), (DebugModels::KeySet{key, MeshKey{}}));
}

TEST(DebugModels, StepsWrapAroundBothWays) {
    DebugModels models;
    EXPECT_EQ(models.step(true), std::nullopt);
    EXPECT_EQ(models.step(false), std::nullopt);
    EXPECT_EQ(models.selected(), MeshKey{});

    const MeshKey only{32, 65536, 12288, 4096};
    models.remember(only);
    EXPECT_EQ(models.step(false), workedHash);
    EXPECT_EQ(models.step(true), workedHash);
    EXPECT_EQ(models.selected(), only);

    for (std::uint32_t stride = 4; stride <= 40; stride += 4)
        models.remember({stride, 1024, 512, 256});
    // The walk's order is the set's own, which a copy of it need not share.
    std::set<MeshHash> seen;
    for (const MeshKey& key : models.seen())
        seen.insert(hashMeshKey(key));
    ASSERT_EQ(seen.size(), 11u);
    // A selection that is not among them steps to the first; eleven steps
    // forward visit every mesh once, and the twelfth wraps to the first.
    models.select(MeshKey{1, 2, 3, 4});
    std::vector<MeshHash> forward;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const std::optional<MeshHash> hash = models.step(true);
        ASSERT_TRUE(hash);
        EXPECT_EQ(hashMeshKey(models.selected()), *hash);
        forward.push_back(*hash);
    }
    EXPECT_EQ(std::set<MeshHash>(forward.begin(), forward.end()), seen);
    EXPECT_EQ(models.step(true), forward.front());
    // Backwards from the first wraps to the last, then retraces the walk.
    for (auto it = forward.rbegin(); it != forward.rend(); ++it)
        EXPECT_EQ(models.step(false), *it);
    // ... and a selection not among them steps backwards to the last.
    models.select(MeshKey{1, 2, 3, 4});
    EXPECT_EQ(models.step(false), forward.back());
}
