// The ID pass's list beside the videos of a take that records the ID pass.
#include "json_value.h"
#include "recording_fixture.h"

namespace {

class CustomPassManifestSession : public RecordingFixture {
protected:
    JsonValue manifest(const std::string& take = "video") {
        JsonValue json;
        const std::string text = readFile(file(" - custom pass.json", take));
        EXPECT_TRUE(parseJson(text, json)) << take << ": " << text;
        return json;
    }
};

TEST_F(CustomPassManifestSession, WrittenAtTheStartWithTheMeshesOfTheTake) {
    set("kivren_custom_pass", "1");
    run("kivren_custom_pass_add 4dc13974d71cc7a7");
    run("kivren_custom_pass_add 1a2b");
    run("kivren_custom_pass_color #FF8000");
    run("kivren_start");
    presentPaced(0, 2);
    // Written once, at the start: a mesh added while recording is not in it.
    const std::string atStart = readFile(file(" - custom pass.json"));
    run("kivren_custom_pass_add 77");
    presentPaced(2, 3);
    run("kivren_stop");
    driver->present(5);
    EXPECT_EQ(readFile(file(" - custom pass.json")), atStart);

    const JsonValue json = manifest();
    EXPECT_EQ(json["take"].text, "video");
    EXPECT_EQ(json["prores"].text, "422 HQ");
    ASSERT_EQ(json["meshes"].items.size(), 2u);
    EXPECT_EQ(json["meshes"][0]["hash"].text, "1a2b");
    EXPECT_EQ(json["meshes"][1]["hash"].text, "4dc13974d71cc7a7");
    // The mesh's automatic colour, (0.9266666, 0.1847196, 0.13899997).
    EXPECT_EQ(static_cast<float>(json["meshes"][1]["colour"][1].number), 0.1847196f);
    EXPECT_EQ(json["meshes"][1]["colour_8bit"][0].number, 236);
    EXPECT_EQ(json["highlight"]["colour_8bit"][1].number, 128);
    EXPECT_TRUE(logAt('1').empty()) << testing::PrintToString(logAt('1'));

    // A take without the ID pass has no list.
    set("kivren_custom_pass", "0");
    set("kivren_name", "plain");
    record(2);
    EXPECT_TRUE(std::filesystem::exists(file(".mov", "plain")));
    EXPECT_FALSE(std::filesystem::exists(file(" - custom pass.json", "plain")));
}

TEST_F(CustomPassManifestSession, FollowsTheTakeNameAndNeverReplacesAnEarlierList) {
    set("kivren_custom_pass", "1");
    set("kivren_custom_pass_444", "1");
    run("kivren_custom_pass_add 1a2b");
    record(2);
    const std::string first = readFile(file(" - custom pass.json"));

    run("kivren_custom_pass_clear");
    run("kivren_custom_pass_add 3c4d");
    record(2);
    EXPECT_EQ(readFile(file(" - custom pass.json")), first);
    const JsonValue second = manifest("video (2)");
    EXPECT_EQ(second["take"].text, "video (2)");
    EXPECT_EQ(second["prores"].text, "4444");
    ASSERT_EQ(second["meshes"].items.size(), 1u);
    EXPECT_EQ(second["meshes"][0]["hash"].text, "3c4d");

    // A list left alone in the folder claims its take name too.
    for (const char* suffix : {".mov", " - depth.mov", " - custom pass.mov", ".txt"})
        std::filesystem::rename(file(suffix, "video (2)"), file(suffix, "moved"));
    record(2);
    EXPECT_TRUE(std::filesystem::exists(file(" - custom pass.json", "video (3)")));
    EXPECT_EQ(manifest("video (2)")["meshes"][0]["hash"].text, "3c4d");
}

} // namespace
