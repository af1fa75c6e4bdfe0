// The pure parts of the ID pass: mesh hashes, the exclusion rule, automatic
// colours, the flat shader's text, and reading the words of the commands.
#include "formats/command_words.h"
#include "formats/mesh_identity.h"
#include "idpass/flat_shader.h"
#include "idpass/shader_compiler.h"

#include <gtest/gtest.h>

#include <random>

TEST(MeshIdentity, HashesOfTheWorkedKeys) {
    EXPECT_EQ(hashMeshKey({32, 65536, 12288, 4096}), 0x4dc13974d71cc7a7u);
    EXPECT_EQ(hashMeshKey({0, 0, 0, 0}), 0x4d25767f9dce13f5u);
    // Each field counts on its own: swapping two sizes is another mesh.
    EXPECT_NE(hashMeshKey({32, 12288, 65536, 4096}), hashMeshKey({32, 65536, 12288, 4096}));
}

TEST(MeshIdentity, ExclusionRuleAtItsBorders) {
    const std::uint32_t mib4 = 4194304;
    struct Row {
        MeshKey key;
        bool excluded;
    };
    const Row rows[] = {
        {{12, mib4, mib4, 4096}, true},
        {{16, mib4, mib4, 4096}, true},
        {{32, mib4, mib4, 4096}, true},
        {{48, mib4, mib4, 4096}, true},
        {{24, mib4, mib4, 4096}, false},
        {{32, mib4 - 1, mib4, 4096}, false},
        {{32, mib4, mib4 + 1, 4096}, false},
        {{32, mib4, mib4, 4095}, false},
        {{20, 200000, 40000, 4096}, true},
        {{20, 4000000000u, 90000, 4096}, true},
        {{20, 199999, 40000, 4096}, false},
        {{20, 200000, 39999, 4096}, false},
        {{20, 200000, 40000, 4097}, false},
        {{21, 200000, 40000, 4096}, false},
        {{0, 0, 0, 0}, false},
        {{32, 65536, 12288, 4096}, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(isExcludedDraw(row.key), row.excluded)
            << row.key.stride << " " << row.key.vertexBytes << " " << row.key.indexBytes << " "
            << row.key.constantBytes;
    }
}

TEST(MeshIdentity, AutomaticColours) {
    const IdColour worked = autoColour(0x4dc13974d71cc7a7);
    EXPECT_FLOAT_EQ(worked.r, 0.9266666f);
    EXPECT_FLOAT_EQ(worked.g, 0.1847196f);
    EXPECT_FLOAT_EQ(worked.b, 0.13899997f);

    // Every colour is a bright, saturated one: its largest channel is the
    // value (0.9 to 1), its smallest (1 - saturation) times it (S 0.85 to 1).
    std::mt19937_64 random(7);
    for (int i = 0; i < 10000; ++i) {
        const IdColour c = autoColour(random());
        const float high = std::max({c.r, c.g, c.b});
        const float low = std::min({c.r, c.g, c.b});
        ASSERT_GE(high, 0.9f - 1e-6f);
        ASSERT_LE(high, 1.0f + 1e-6f);
        ASSERT_LE(low, 0.15f * high + 1e-6f);
        ASSERT_GE(low, 0.0f);
    }
}

TEST(FlatShader, SourceTexts) {
    const std::string prefix = "struct VS_OUT{    float4 Position : SV_Position;    float4 Color   "
                               " : COLOR0;};float4 main( "
                               "VS_OUT input ) : SV_Target{    float4 o;    o.a = 1.0; ";
    EXPECT_EQ(flatShaderSource(1.0f, 0.0f, 1.0f),
              prefix + "o.r = 1; o.g = 0; o.b = 1;    return o;}");
    EXPECT_EQ(flatShaderSource(1.0f / 255.0f, 0.5f, 128.0f / 255.0f),
              prefix + "o.r = 0.003921569; o.g = 0.5; o.b = 0.5019608;    return o;}");
    // Without a device nothing is compiled and the shader is left as it was.
    ID3D11PixelShader* untouched = reinterpret_cast<ID3D11PixelShader*>(0x1);
    EXPECT_EQ(compileFlatShader(nullptr, 1.0f, 0.0f, 1.0f, &untouched),
              static_cast<HRESULT>(0x80070006u));
    EXPECT_EQ(untouched, reinterpret_cast<ID3D11PixelShader*>(0x1));

    // The process's compiler is found, and it refuses what is not HLSL.
    const pD3DCompile compile = findShaderCompiler();
    ASSERT_NE(compile, nullptr);
    const std::string junk = flatShaderSource(1.0f, 0.0f, 1.0f) + " o.r = ;";
    ID3DBlob* code = nullptr;
    EXPECT_TRUE(FAILED(compile(junk.data(), junk.size(), "shader", nullptr, nullptr, "main",
                               "ps_4_0", 0, 0, &code, nullptr)));
    EXPECT_EQ(code, nullptr);
}

TEST(CommandWords, MeshHashes) {
    struct Row {
        const char* word;
        std::optional<MeshHash> value;
    };
    const Row rows[] = {
        {"0x1A2B", 0x1a2b},
        {"1a2b", 0x1a2b},
        {"0X1a2B", 0x1a2b},
        {"  4dc13974d71cc7a7\t", 0x4dc13974d71cc7a7},
        {"ffffffffffffffff", 0xffffffffffffffff},
        {"00000000000000000001", 1},
        {"0", 0},
        {"xyz", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"0x", std::nullopt},
        {"12g", std::nullopt},
        {"1a 2b", std::nullopt},
        {"-1", std::nullopt},
        {"10000000000000000", std::nullopt},
    };
    for (const Row& row : rows) {
        std::string reason;
        EXPECT_EQ(readMeshHash(row.word, reason), row.value) << '"' << row.word << '"';
        EXPECT_EQ(reason.empty(), row.value.has_value()) << '"' << row.word << '"';
    }
}

TEST(CommandWords, Colours) {
    std::string reason;
    const std::optional<IdColour> orange = readColourWord("#FF8000", reason);
    ASSERT_TRUE(orange);
    EXPECT_EQ(*orange, (IdColour{1.0f, 0.5019608f, 0.0f}));
    EXPECT_EQ(readColourWord("#0a0B0c", reason),
              (IdColour{10.0f / 255.0f, 11.0f / 255.0f, 12.0f / 255.0f}));
    for (const char* word : {"FF8000", "#ff80", "#FF80001", "#12zzzz", "#0x1234", "# 12345", ""}) {
        reason.clear();
        EXPECT_FALSE(readColourWord(word, reason)) << word;
        EXPECT_FALSE(reason.empty()) << word;
    }
}

TEST(CommandWords, PlainFileNames) {
    for (const char* name : {"default", "my pass", "a.b", "...", "ünïcode"}) {
        EXPECT_TRUE(isPlainFileName(name)) << name;
    }
    for (const char* name : {"", ".", "..", "../../x", "a/b", "a\\b", "C:x", "/abs", "\\\\server",
                             "tab\there", "bell\a", "del\x7f"})
        EXPECT_FALSE(isPlainFileName(name)) << name;
}
