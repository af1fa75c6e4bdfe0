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
        // The device is taken by the first draw of a replay only; later
        // draws compile nothing.
        EXPECT_EQ(rig.plugin.idPass().device(), (row.state & Replay) ? rig.device : nullptr);
        const std::size_t created = static_cast<SimDevice*>(rig.device)->pixelShadersCreated();
        rig.draw(row.key);
        EXPECT_EQ(static_cast<SimDevice*>(rig.device)->pixelShadersCreated(), created);
    }
}

// The highlight gates both features, on every draw: without it nothing is
// remembered or coloured, and a highlight made later works at once.
TEST(DrawPath, NoHighlightNoFeatureUntilOneIsMade) {
    PluginRig rig;
    static_cast<SimDevice*>(rig.device)->failPixelShaders(E_OUTOFMEMORY);
    rig.plugin.settings().setSwitch(Switch::DebugModels, true);
    rig.plugin.settings().setSwitch(Switch::CustomPassPreview, true);
    rig.plugin.debugModels().select(workedKey);
    rig.plugin.addMeshHash("4dc13974d71cc7a7");
    rig.plugin.setInReplay(true);
    rig.draw(workedKey);
    EXPECT_EQ(rig.bound(), nullptr);
    EXPECT_TRUE(rig.plugin.debugModels().seen().empty());

    static_cast<SimDevice*>(rig.device)->failPixelShaders(S_OK);
    rig.plugin.idPass().setHighlightColour({1.0f, 1.0f, 0.0f});
    rig.draw(workedKey);
    EXPECT_EQ(rig.bound(), rig.plugin.idPass().highlightShader());
    EXPECT_TRUE(rig.plugin.debugModels().seen().contains(workedKey));
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
