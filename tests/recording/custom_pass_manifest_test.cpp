// The ID pass's list of meshes and colours: what it says, and how it is written.
#include "formats/mesh_identity.h"
#include "json_value.h"
#include "recording/custom_pass_manifest.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

void expectColour(const JsonValue& entry, float r, float g, float b, int r8, int g8, int b8) {
    ASSERT_EQ(entry["colour"].items.size(), 3u);
    ASSERT_EQ(entry["colour_8bit"].items.size(), 3u);
    // The floats read back as exactly the shader's floats.
    EXPECT_EQ(static_cast<float>(entry["colour"][0].number), r);
    EXPECT_EQ(static_cast<float>(entry["colour"][1].number), g);
    EXPECT_EQ(static_cast<float>(entry["colour"][2].number), b);
    EXPECT_EQ(entry["colour_8bit"][0].number, r8);
    EXPECT_EQ(entry["colour_8bit"][1].number, g8);
    EXPECT_EQ(entry["colour_8bit"][2].number, b8);
}

TEST(CustomPassManifest, ListsEveryMeshWithItsExactColourAndTheHighlight) {
    const IdColour automatic = autoColour(0x4dc13974d71cc7a7);
    CustomPassManifest manifest;
    manifest.take = "replay (2)";
    // Given out of order, as the ID pass's hash set iterates.
    manifest.meshes = {{0x4dc13974d71cc7a7, automatic.r, automatic.g, automatic.b},
                       {0x1a2b, 1.0f / 255.0f, 0.0f, 1.0f}};
    manifest.highlight = {1.0f, 0.5019608f, 0.0f};
    const std::string text = customPassManifestText(manifest);

    JsonValue json;
    ASSERT_TRUE(parseJson(text, json)) << text;
    EXPECT_EQ(json["take"].text, "replay (2)");
    EXPECT_EQ(json["back_buffer"].text, "unorm");
    EXPECT_EQ(json["prores"].text, "422 HQ");
    const JsonValue& meshes = json["meshes"];
    ASSERT_EQ(meshes.items.size(), 2u) << text;
    EXPECT_EQ(meshes[0]["hash"].text, "1a2b");
    expectColour(meshes[0], 1.0f / 255.0f, 0.0f, 1.0f, 1, 0, 255);
    EXPECT_EQ(meshes[1]["hash"].text, "4dc13974d71cc7a7");
    // (0.9266666, 0.1847196, 0.13899997) * 255 = (236.3, 47.1, 35.4).
    expectColour(meshes[1], automatic.r, automatic.g, automatic.b, 236, 47, 35);
    expectColour(json["highlight"], 1.0f, 0.5019608f, 0.0f, 255, 128, 0);
    // The floats are spelled as the flat shader spells them.
    EXPECT_NE(text.find("[0.9266666, 0.1847196, 0.13899997]"), std::string::npos) << text;
}

TEST(CustomPassManifest, SrgbTargetsAndProRes4444AndOddNames) {
    CustomPassManifest manifest;
    manifest.take = "a \"quoted\" \\ take";
    manifest.srgbBackBuffer = true;
    manifest.proRes4444 = true;
    manifest.highlight = {0.5f, 0.0031308f, 2.0f};
    const std::string text = customPassManifestText(manifest);
    JsonValue json;
    ASSERT_TRUE(parseJson(text, json)) << text;
    EXPECT_EQ(json["take"].text, manifest.take);
    EXPECT_EQ(json["back_buffer"].text, "srgb");
    EXPECT_EQ(json["prores"].text, "4444");
    EXPECT_TRUE(json["meshes"].items.empty());
    EXPECT_EQ(json["meshes"].kind, JsonValue::Kind::Array);
    // Linear 0.5 is stored as sRGB 0.7354 (188); the curve's linear toe ends
    // at 0.0031308 (0.04045 after it, 10); beyond 1 saturates.
    expectColour(json["highlight"], 0.5f, 0.0031308f, 2.0f, 188, 10, 255);

    EXPECT_EQ(storedChannel(0.5f, false), 128);
    EXPECT_EQ(storedChannel(-1.0f, false), 0);
    EXPECT_EQ(storedChannel(0.0019f, false), 0);
    EXPECT_EQ(storedChannel(0.0021f, false), 1);
    EXPECT_EQ(storedChannel(0.0019f, true), 6);
}

TEST(CustomPassManifest, WritingSaysWhyItFailed) {
    ScratchFolder scratch;
    const std::string path = (scratch.path() / "take - custom pass.json").string();
    EXPECT_EQ(writeManifestFile(path, "{}\n"), "");
    EXPECT_EQ(readFile(path), "{}\n");

    const std::string missing = (scratch.path() / "gone" / "take - custom pass.json").string();
    const std::string reason = writeManifestFile(missing, "{}\n");
    EXPECT_FALSE(reason.empty());
    EXPECT_NE(reason, "unknown error");
    EXPECT_FALSE(std::filesystem::exists(missing));
}

} // namespace
