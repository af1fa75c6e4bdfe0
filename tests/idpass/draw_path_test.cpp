// The per-draw decision through the stand-in context: which shader ends
// bound, which meshes are remembered, and the first replay draw.
#include "formats/mesh_identity.h"
#include "plugin_rig.h"

namespace {

enum class Bound { Game, Highlight, IdColour };

// The plugin's state before the draw, one bit each.
enum : unsigned {
    Replay = 1,
    Debug = 2,
    Preview = 4,
    RecordCustom = 8,
    Recording = 16,
    CustomTurn = 32,
    Selected = 64,
    Listed = 128,
};

struct Row {
    const char* name;
    unsigned state;
    MeshKey key;
    Bound bound;
    bool remembered;
};

void apply(PluginRig& rig, unsigned s, const MeshKey& key) {
    rig.plugin.setInReplay((s & Replay) != 0);
    rig.plugin.settings().setSwitch(Switch::DebugModels, (s & Debug) != 0);
    rig.plugin.settings().setSwitch(Switch::CustomPassPreview, (s & Preview) != 0);
    rig.plugin.settings().setSwitch(Switch::CustomPass, (s & RecordCustom) != 0);
    if ((s & Recording) != 0)
        rig.plugin.session().request();
    else
        rig.plugin.session().cancel();
    rig.plugin.session().setCustomTurn((s & CustomTurn) != 0);
    if (s & Selected)
        rig.plugin.debugModels().select(key);
    if (s & Listed)
        rig.plugin.addMeshHash(fmt::format("{:x}", hashMeshKey(key)));
}

} // namespace

TEST(DrawPath, DecisionTable) {
    const MeshKey k = workedKey;
    const MeshKey excluded{20, 300000, 50000, 4096};
    const MeshKey noVertices{32, 0, 12288, 4096};
    const Row rows[] = {
        {"outside a replay nothing happens", Debug | Preview | Selected | Listed, k, Bound::Game,
         false},
        {"in a replay with both features off", Replay | Selected | Listed, k, Bound::Game, false},
        {"debug: the selection is highlighted", Replay | Debug | Selected, k, Bound::Highlight,
         true},
        {"debug: others are only remembered", Replay | Debug, k, Bound::Game, true},
        {"preview without a recording", Replay | Preview | Listed, k, Bound::IdColour, false},
        {"preview during a recording without the custom pass",
         Replay | Preview | Recording | CustomTurn | Listed, k, Bound::Game, false},
        {"recording on a custom turn", Replay | RecordCustom | Recording | CustomTurn | Listed, k,
         Bound::IdColour, false},
        {"recording between custom turns", Replay | Preview | RecordCustom | Recording | Listed, k,
         Bound::Game, false},
        {"custom pass without a recording", Replay | RecordCustom | CustomTurn | Listed, k,
         Bound::Game, false},
        {"a listed selection shows its ID colour", Replay | Debug | Preview | Selected | Listed, k,
         Bound::IdColour, true},
        {"an unlisted mesh keeps its shader", Replay | Preview, k, Bound::Game, false},
        {"an excluded draw is left alone", Replay | Debug | Preview | Selected | Listed, excluded,
         Bound::Game, false},
        {"no vertex buffer takes part", Replay | Debug | Selected, noVertices, Bound::Highlight,
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PluginRig rig;
        apply(rig, row.state, row.key);
        rig.draw(row.key);

        ID3D11PixelShader* expected = nullptr;
        if (row.bound == Bound::Highlight)
            expected = rig.plugin.idPass().highlightShader();
        if (row.bound == Bound::IdColour)
            expected = rig.plugin.idPass().shaders().at(hashMeshKey(row.key));
        EXPECT_EQ(rig.bound(), expected);
        if (row.bound != Bound::Game) {
            EXPECT_NE(expected, nullptr);
        }
        EXPECT_EQ(rig.plugin.debugModels().seen().contains(row.key), row.remembered);
        EXPECT_EQ(rig.plugin.debugModels().seen().size(), row.remembered ? 1u : 0u);
        // The device is taken by the first draw of a replay only.
        EXPECT_EQ(rig.plugin.idPass().device(), (row.state & Replay) ? rig.device : nullptr);
    }
}

TEST(DrawPath, FirstReplayDrawTakesTheDeviceAndCompilesWhatWaits) {
    PluginRig rig;
    // Before any draw: colours are kept, nothing is compiled.
    rig.plugin.idPass().setColour(0x1a2b, {0.25f, 0.5f, 0.75f});
    rig.plugin.addMeshHash("4dc13974d71cc7a7");
    rig.plugin.idPass().setHighlightColour({0.0f, 1.0f, 0.0f});
    EXPECT_EQ(rig.plugin.idPass().highlightColour(), (IdColour{0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(rig.plugin.idPass().highlightShader(), nullptr);
    EXPECT_TRUE(rig.plugin.idPass().shaders().empty());

    rig.plugin.setInReplay(true);
    rig.draw(workedKey);
    EXPECT_EQ(rig.plugin.idPass().device(), rig.device);
    // The first highlight is (1, 0, 1) whatever colour was asked for before.
    EXPECT_EQ(simShaderBytecode(rig.plugin.idPass().highlightShader()),
              flatBytecode(1.0f, 0.0f, 1.0f));
    EXPECT_EQ(simShaderBytecode(rig.plugin.idPass().shaders().at(0x1a2b)),
              flatBytecode(0.25f, 0.5f, 0.75f));
    const IdColour worked = autoColour(workedHash);
    EXPECT_EQ(simShaderBytecode(rig.plugin.idPass().shaders().at(workedHash)),
              flatBytecode(worked.r, worked.g, worked.b));
    // Neither feature was on: the draw itself was left alone.
    EXPECT_EQ(rig.bound(), nullptr);

    // Later draws compile nothing; later changes compile at once.
    auto* device = static_cast<SimDevice*>(rig.device);
    const std::size_t created = device->pixelShadersCreated();
    rig.draw(workedKey);
    EXPECT_EQ(device->pixelShadersCreated(), created);
    rig.plugin.idPass().setHighlightColour({0.0f, 1.0f, 0.0f});
    EXPECT_EQ(simShaderBytecode(rig.plugin.idPass().highlightShader()),
              flatBytecode(0.0f, 1.0f, 0.0f));
    rig.plugin.addMeshHash("77");
    EXPECT_NE(rig.plugin.idPass().shaders().at(0x77), nullptr);
}

TEST(DrawPath, FailedCompilesLeaveShadersEmpty) {
    PluginRig rig;
    auto* device = static_cast<SimDevice*>(rig.device);
    device->failPixelShaders(E_OUTOFMEMORY);
    rig.plugin.settings().setSwitch(Switch::DebugModels, true);
    rig.plugin.settings().setSwitch(Switch::CustomPassPreview, true);
    rig.plugin.debugModels().select(workedKey);
    rig.plugin.addMeshHash("4dc13974d71cc7a7");
    rig.plugin.setInReplay(true);

    // Without a highlight neither feature works: nothing is remembered.
    rig.draw(workedKey);
    EXPECT_EQ(rig.plugin.idPass().highlightShader(), nullptr);
    EXPECT_TRUE(rig.plugin.debugModels().seen().empty());
    EXPECT_EQ(rig.plugin.idPass().shaders().at(workedHash), nullptr);

    // A later highlight revives both; the empty ID entry stays empty until
    // its colour is set again.
    device->failPixelShaders(S_OK);
    rig.plugin.idPass().setHighlightColour({1.0f, 1.0f, 0.0f});
    rig.draw(workedKey);
    EXPECT_EQ(rig.bound(), rig.plugin.idPass().highlightShader());
    EXPECT_TRUE(rig.plugin.debugModels().seen().contains(workedKey));
    rig.plugin.idPass().setColour(workedHash, {0.0f, 0.0f, 1.0f});
    rig.draw(workedKey);
    EXPECT_EQ(rig.bound(), rig.plugin.idPass().shaders().at(workedHash));
}

TEST(DrawPath, IdPassOperations) {
    PluginRig rig;
    rig.plugin.setInReplay(true);
    rig.draw(workedKey);

    // Adding a coloured mesh again changes neither its colour nor its shader.
    rig.plugin.idPass().setColour(workedHash, {0.1f, 0.2f, 0.3f});
    rig.plugin.addMeshHash("4DC13974D71CC7A7");
    ID3D11PixelShader* shader = rig.plugin.idPass().shaders().at(workedHash);
    rig.plugin.addMeshHash("0x4dc13974d71cc7a7");
    EXPECT_EQ(rig.plugin.idPass().colours().at(workedHash), (IdColour{0.1f, 0.2f, 0.3f}));
    EXPECT_EQ(rig.plugin.idPass().shaders().at(workedHash), shader);
    EXPECT_EQ(rig.plugin.idPass().meshes().size(), 1u);

    // The settings page's copy lists each coloured mesh once.
    rig.plugin.idPass().setColour(0x99, {1.0f, 1.0f, 1.0f});
    const auto entries = rig.plugin.idPass().entries();
    ASSERT_EQ(entries.size(), 2u);
    for (const IdPassEntry& e : entries) {
        EXPECT_EQ((IdColour{e.r, e.g, e.b}), rig.plugin.idPass().colours().at(e.hash));
    }

    // Clearing releases every shader; adding again gives the automatic colour.
    const std::size_t before = simd3d::liveObjects();
    rig.plugin.idPass().clear();
    EXPECT_EQ(simd3d::liveObjects(), before - 2);
    EXPECT_TRUE(rig.plugin.idPass().meshes().empty() && rig.plugin.idPass().colours().empty() &&
                rig.plugin.idPass().shaders().empty());
    rig.plugin.addMeshHash("4dc13974d71cc7a7");
    EXPECT_EQ(rig.plugin.idPass().colours().at(workedHash), autoColour(workedHash));
}

// The interception calls DrawIndexed through slot 12 of the context's method
// table; the other slots are those the plugin calls.
TEST(DrawPath, StandInMethodTableMatchesDirect3D) {
    PluginRig rig;
    void** table = *reinterpret_cast<void***>(rig.context);
    using DrawIndexedFn = void(STDMETHODCALLTYPE*)(ID3D11DeviceContext*, UINT, UINT, INT);
    reinterpret_cast<DrawIndexedFn>(table[12])(rig.context, 3, 0, 0);
    EXPECT_EQ(static_cast<SimDeviceContext*>(rig.context)->drawIndexedCalls(), 1u);

    rig.bind(workedKey);
    using GetBuffersFn =
        void(STDMETHODCALLTYPE*)(ID3D11DeviceContext*, UINT, UINT, ID3D11Buffer**, UINT*, UINT*);
    ID3D11Buffer* buffer = nullptr;
    UINT stride = 0;
    UINT offset = 0;
    reinterpret_cast<GetBuffersFn>(table[79])(rig.context, 0, 1, &buffer, &stride, &offset);
    ASSERT_NE(buffer, nullptr);
    using GetDescFn = void(STDMETHODCALLTYPE*)(ID3D11Buffer*, D3D11_BUFFER_DESC*);
    D3D11_BUFFER_DESC desc{};
    reinterpret_cast<GetDescFn>((*reinterpret_cast<void***>(buffer))[10])(buffer, &desc);
    EXPECT_EQ(desc.ByteWidth, 65536u);
    EXPECT_EQ(stride, 32u);
    buffer->Release();

    using SetShaderFn = void(STDMETHODCALLTYPE*)(ID3D11DeviceContext*, ID3D11PixelShader*,
                                                 ID3D11ClassInstance* const*, UINT);
    const std::size_t sets = static_cast<SimDeviceContext*>(rig.context)->pixelShaderSets();
    reinterpret_cast<SetShaderFn>(table[9])(rig.context, nullptr, nullptr, 0);
    EXPECT_EQ(static_cast<SimDeviceContext*>(rig.context)->pixelShaderSets(), sets + 1);
}
