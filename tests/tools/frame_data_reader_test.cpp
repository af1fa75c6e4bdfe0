// Reading the frame data log: every kind of damage is reported at its place.
// What the plugin writes is read back whole in frame_data_tool_test.cpp.
#include "frame_data_reader.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <new>
#include <sstream>

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
    const std::string damagedLast = two + "0,1,x";
    const std::string extraNumberLast = two + "0,1,2,0,0,0,1,90;0,0,0,0,0,0,1,5";
    const std::string shortGroupLast = two + "0,1,2;";
    // Only what can be the start of one number is a cut.
    const std::string numbersAndBreaksLast = two + "0,003.000-46\n\n2\n";
    const Damage cases[] = {
        // Cut short before any entry was whole: nothing is left to read.
        {"0,-4608,1024,0,-0,0.70", 1, 23, 1, "ends inside this entry"},
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
        // The game's numbers are 32-bit floats: beyond their range, or a
        // field of view that becomes 0 or 180 as one, no camera can have.
        {"1e39,1,2,0,0,0,1,90;0,0,0,0,0,0,1;|", 1, 1, 1, "location X: \"1e39\" is out of range"},
        {"0,1,2,0,0,0,1,90;0,0,0,0,0,0,-3.5e38;|", 1, 30, 1,
         "ball group, quaternion W: \"-3.5e38\" is out of range"},
        {"0,1,2,0,0,0,1,1e-300;0,0,0,0,0,0,1;|", 1, 15, 1,
         "field of view 0 is not between 0 and 180"},
        {"0,1,2,0,0,0,1,179.99999999;0,0,0,0,0,0,1;|", 1, 15, 1,
         "field of view 180 is not between"},
        {"0,1,2,0,0,0,1,-90;0,0,0,0,0,0,1;|", 1, 15, 1, "field of view -90 is not between"},
        {"0,1,000000000000000000000000000000000000000000000000000000000000000002,0,0,0,1,90;|", 1,
         5, 1, "location Z: a number of more than 64 characters"},
        // Values that no rotator or camera can produce.
        {"0,1,2,0,0,0.5,1,90;0,0,0,0,0,0,1;|", 1, 1, 1, "quaternion has length 1.11803, not 1"},
        {"0,1,2,0,0,0,1,0;0,0,0,0,0,0,1;|", 1, 15, 1, "field of view 0 is not between"},
        // Line breaks are fine between entries only, and count as lines.
        {second.c_str(), 0, 0, 0, nullptr},
        {brokenSecondLine.c_str(), 2, 6, 2, "found the byte 0x0a"},
        {garbageAfterTwo.c_str(), 1, two.size() + 1, 3, "found \"abc\""},
        // Damage in the last entry is damage, even at the end of the file.
        {damagedLast.c_str(), 1, two.size() + 5, 3, "location Z: expected a number, found \"x\""},
        {extraNumberLast.c_str(), 1, two.size() + 32, 3, "ball group has more than 7 numbers"},
        {shortGroupLast.c_str(), 1, two.size() + 6, 3, "camera group has 3 numbers"},
        {numbersAndBreaksLast.c_str(), 1, two.size() + 10, 3,
         "camera group, after the location Y: expected ',' or ';', found \"-46\""},
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

TEST(FrameDataReader, LeavesOutALastEntryThatTheEndOfTheFileCutsOff) {
    // A recording stopped by a crash or a full disk: the entries before the
    // cut stand, and the warning names where the cut entry ends and which it
    // is. What may be left of the cut entry is the start of any number.
    const std::string two = std::string(good) + "\n" + good;
    const std::pair<std::string, std::size_t> tails[] = {
        {"0,-4608,1024,0,-0,0.70", 23},                                     // in a number
        {"0,-4608,1024,0,-0,0.707107,0.707107,90;0,0,93.15,0,-0,0,1;", 59}, // between groups
        {"0,-4608,1024,0,-0,0.707107,0.707107,90;0,0,93.15,", 50},          // after a ','
        {"0,-4608,1e", 10},                                                 // in an exponent
        {"0,-", 3},                                                         // after a sign
        {"0,1,2.5\n", 8}, // an editor's final line break
        {"0,1,2\r\n", 6},
    };
    for (const auto& [tail, column] : tails) {
        SCOPED_TRACE(tail);
        FrameData data;
        FrameDataError error;
        ASSERT_TRUE(parseFrameData(two + tail, data, error)) << describeError(error, "cut");
        EXPECT_EQ(data.entries.size(), 2u);
        EXPECT_EQ(data.cars.size(), 2u) << "the cut entry's cars are left out too";
        ASSERT_TRUE(data.cutOff.has_value());
        EXPECT_EQ(data.cutOff->line, 2u);
        EXPECT_EQ(data.cutOff->column, std::strlen(good) + column);
        EXPECT_EQ(data.cutOff->entry, 3u);
        EXPECT_EQ(describeCutOff(*data.cutOff, "cut.txt"),
                  "warning: cut.txt:2:" + std::to_string(std::strlen(good) + column) +
                      ": entry 3: the file ends inside this entry, before its '|'; the entry is "
                      "left out");
    }
    FrameData data;
    FrameDataError error;
    ASSERT_TRUE(parseFrameData(two, data, error));
    EXPECT_FALSE(data.cutOff.has_value()) << "a whole file is not cut off";
}

TEST(FrameDataReader, ReadsAlikeInOnePieceAndThroughASmallWindow) {
    // Found by fuzzing: a last entry whose rest held digits and line breaks
    // well past the window was a cut in one piece and damage through the window.
    const std::string two = std::string(good) + good;
    const std::string texts[] = {
        two + "0,003.000-46" + std::string(300, '\n') + "2",
        two + std::string(300, '\n') + "0,1,2.5",
        two + "0,1,2,0,0,0,1,90;" + std::string(250, '|'),
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(two.size(), 20));
        FrameData whole;
        FrameDataError wholeError;
        const bool read = parseFrameData(text, whole, wholeError);
        std::istringstream stream(text);
        FrameDataScan scan;
        FrameDataError streamError;
        ASSERT_EQ(scanFrameDataStream(stream, nullptr, scan, streamError, allEntries, 256), read);
        EXPECT_EQ(describeError(streamError, "f"), describeError(wholeError, "f"));
        if (read) {
            EXPECT_EQ(scan.entries, whole.entries.size());
            EXPECT_EQ(scan.cutOff.has_value(), whole.cutOff.has_value());
        }
    }
}

// A visitor that runs out of memory at a chosen entry, as a converter
// writing into memory might.
class StarvedVisitor final : public FrameDataVisitor {
public:
    explicit StarvedVisitor(std::size_t failAt) : failAt_(failAt) {}
    void beginEntry(const FrameEntry&) override {
        if (++entries_ == failAt_)
            throw std::bad_alloc();
    }
    void car(const ActorPose&) override {}
    void endEntry() override {}

private:
    std::size_t failAt_, entries_ = 0;
};

TEST(FrameDataReader, RunningOutOfMemoryIsOneErrorWithItsPlace) {
    const std::string text = std::string(good) + good + "\n" + good + good;
    StarvedVisitor visitor(3);
    FrameDataScan scan;
    FrameDataError error;
    ASSERT_FALSE(scanFrameData(text, &visitor, scan, error));
    EXPECT_EQ(describeError(error, "m.txt"), "m.txt:2:1: entry 3: ran out of memory here");
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
