// A list that cannot be written is said once and costs nothing else. The
// failure is real: the list's name is the longest of a take's, so a take name
// of 237 bytes puts it one past the 255 a Linux file name may have while the
// videos and the frame data still fit.
#include "recording_fixture.h"

namespace {

TEST_F(RecordingFixture, AnIdPassListThatCannotBeWrittenIsSaidAndTheTakeGoesOn) {
    const std::string name(237, 'n');
    set("kivren_name", name);
    set("kivren_custom_pass", "1");
    run("kivren_custom_pass_add 1a2b");
    record(5);

    const auto failures = logAt('1');
    const std::string line = "[Kivren] Cannot write the ID pass list " +
                             file(" - custom pass.json", name) +
                             ": error 36: File name too long; the recording goes on without it.";
    EXPECT_EQ(std::count(failures.begin(), failures.end(), line), 1)
        << testing::PrintToString(failures);
    EXPECT_EQ(readFile(file(".mov", name)).size(), 3 * frameBytes());
    EXPECT_EQ(readFile(file(" - depth.mov", name)).size(), 3 * frameBytes());
    const std::string data = readFile(file(".txt", name));
    EXPECT_EQ(std::count(data.begin(), data.end(), '|'), 3);
    EXPECT_EQ(count(logAt('3'), R"(\[Kivren\] Recording started\.)"), 1u);
}

} // namespace
