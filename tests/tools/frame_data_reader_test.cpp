// Reading the frame data log: every kind of damage is reported at its place.
// What the plugin writes is read back whole in frame_data_tool_test.cpp.
#include "frame_data_reader.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace {

struct Damage {
    const char* text;
    std::size_t line, column, entry;
    const char* says;
};

const char* const good = "0,-4608,1024,0,-0,0.707107,0.707107,90;0,0,93.15,0,-0,0,1;"
                         "0,-4608,17.01,0,-0,0.707107,0.707107;|";

TEST(FrameDataReader, NamesTheLineColumnAndEntryOfTheFirstProblem) {
    const std::string second = std::string(good) + "\n";
    const std::string brokenSecondLine = second + "0,1,2\n,0";
    const std::string two = std::string(good) + good;
    const std::string garbageAfterTwo = two + "abc|";
    const Damage cases[] = {
        // Cut short: a copy that stopped early, mid-number or before the '|'.
        {"0,-4608,1024,0,-0,0.70", 1, 23, 1, "ends inside this entry"},
        {"|0,1,2,0,0,0,1,90;0,0,0,0,0,0,1;", 1, 33, 2, "ends inside this entry"},
        {"", 0, 0, 0, "no frame data entries"},
        // Wrong group sizes.
        {"0,1,2,0,0,0,1;0,0,0,0,0,0,1;|", 1, 14, 1, "camera group has 7 numbers, expected 8"},
        {"0,1,2,0,0,0,1,90;0,0,0,0,0,0,1,5;|", 1, 32, 1, "ball group has more than 7"},
        {"0,1,2,0,0,0,1,90;0,0,0,0,0,0,1;1,2,0,0,0,1;|", 1, 43, 1,
         "car 1 group has 6 numbers, expected 7"},
        {"0,1,2,0,0,0,1,90;|", 1, 18, 1, "not followed by a ball group"},
        // Damaged numbers and separators.
        {"0,1,2,0,0,0,1,90;0,0,0,0,0,0,1;|0,1,x2,0,0,0,1,90;0,0,0,0,0,0,1;|", 1, 37, 2,
         "camera group, location Z: expected a number, found \"x2\""},
        {"0,1,2,0,0,0,1,90;0,0,,0,0,0,1;|", 1, 22, 1, "ball group, location Z: expected a number"},
        {"0,1,2,0,0,0,1,90;0,0,0 ,0,0,0,1;|", 1, 23, 1, "expected ',' or ';', found \" \""},
        {"0,1,2,0,0,0,1,nan;0,0,0,0,0,0,1;|", 1, 15, 1, "field of view: \"nan\" is not a finite"},
        {"0,1,1e999,0,0,0,1,90;0,0,0,0,0,0,1;|", 1, 5, 1, "location Z: \"1e999\" is out of range"},
        // Values that no rotator or camera can produce.
        {"0,1,2,0,0,0.5,1,90;0,0,0,0,0,0,1;|", 1, 1, 1, "quaternion has length 1.11803, not 1"},
        {"0,1,2,0,0,0,1,0;0,0,0,0,0,0,1;|", 1, 1, 1, "field of view 0 is not between"},
        // Line breaks are fine between entries only, and count as lines.
        {second.c_str(), 0, 0, 0, nullptr},
        {brokenSecondLine.c_str(), 2, 6, 2, "found the byte 0x0a"},
        {garbageAfterTwo.c_str(), 1, two.size() + 1, 3, "found \"abc\""},
    };
    for (const Damage& d : cases) {
        SCOPED_TRACE(d.text);
        FrameData data;
        FrameDataError error;
        const bool read = parseFrameData(d.text, data, error);
        if (!d.says) {
            EXPECT_TRUE(read) << describeError(error, "case");
            continue;
        }
        ASSERT_FALSE(read);
        EXPECT_EQ(error.line, d.line);
        EXPECT_EQ(error.column, d.column);
        EXPECT_EQ(error.entry, d.entry);
        EXPECT_NE(error.message.find(d.says), std::string::npos) << error.message;
    }
}

TEST(FrameDataReader, ReadsALongFileInPiecesAndStillFindsThePlace) {
    // Long enough that entries straddle the pieces the file is read in.
    ScratchFolder scratch;
    const auto path = scratch.path() / "long.txt";
    const std::size_t count = 60000;
    std::string text;
    for (std::size_t i = 1; i <= count; ++i)
        text += std::string(good) + (i == 100 ? "\n" : "");
    std::ofstream(path, std::ios::binary) << text;
    FrameData data;
    FrameDataError error;
    ASSERT_TRUE(readFrameDataFile(path, data, error)) << describeError(error, "long");
    EXPECT_EQ(data.entries.size(), count);
    EXPECT_EQ(data.cars.size(), count);

    const std::size_t damaged = 55555; // on line 2, past the first pieces
    const std::size_t at = text.size() - (count - damaged + 1) * std::strlen(good);
    text[at + 2] = 'x';
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    ASSERT_FALSE(readFrameDataFile(path, data, error));
    EXPECT_EQ(error.line, 2u);
    EXPECT_EQ(error.column, (damaged - 101) * std::strlen(good) + 3);
    EXPECT_EQ(error.entry, damaged);
}

} // namespace
