// The frame data log: each entry is the latest record handed over, whatever
// the game thread does meanwhile; a file that cannot be opened or written is
// said once and the entries are lost quietly from then on.
#include "recording/frame_data_log.h"
#include "reshade_module.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

std::vector<std::string> failures() {
    return StandInReShade::instance().logLinesAt(1);
}

TEST(FrameDataLog, EachEntryIsTheLatestWholeRecord) {
    StandInReShade::instance().reset();
    ScratchFolder scratch;
    const std::string path = (scratch.path() / "take.txt").string();
    FrameDataLog log;
    log.replaceRecord("before;");
    log.open(path);
    ASSERT_TRUE(log.isOpen());
    log.writeEntry();
    log.replaceRecord("");
    log.writeEntry();

    // A game thread replacing records as fast as it can: every entry is one
    // of its records, never a mix of two.
    const std::string a(4000, 'a');
    const std::string b(6000, 'b');
    std::atomic<bool> done{false};
    std::thread game([&] {
        for (int i = 0; !done.load(); ++i)
            log.replaceRecord(i % 2 ? a : b);
    });
    for (int i = 0; i < 200; ++i)
        log.writeEntry();
    done = true;
    game.join();
    log.close();
    EXPECT_FALSE(log.isOpen());

    const std::string text = readFile(path);
    ASSERT_EQ(text.rfind("before;||", 0), 0u);
    std::size_t start = 9;
    int entries = 0;
    for (std::size_t end; (end = text.find('|', start)) != std::string::npos; start = end + 1) {
        const std::string entry = text.substr(start, end - start);
        EXPECT_TRUE(entry == a || entry == b || entry.empty()) << entry.size();
        ++entries;
    }
    EXPECT_EQ(entries, 200);
    EXPECT_EQ(start, text.size());
    EXPECT_TRUE(failures().empty());
}

TEST(FrameDataLog, AFileThatCannotBeOpenedIsSaidOnce) {
    StandInReShade::instance().reset();
    ScratchFolder scratch;
    const std::string path = (scratch.path() / "no such folder" / "take.txt").string();
    FrameDataLog log;
    log.open(path);
    EXPECT_FALSE(log.isOpen());
    log.writeEntry();
    log.close();
    // Once, with the system's reason in brackets (its words are the C
    // library's own, so only their place is checked).
    const std::vector<std::string> lines = failures();
    ASSERT_EQ(lines.size(), 1u);
    const std::string said = "[Kivren] Cannot open the frame data file " + path + " (";
    EXPECT_EQ(lines[0].rfind(said, 0), 0u) << lines[0];
    EXPECT_GT(lines[0].size(), said.size() + 1) << lines[0];
    EXPECT_EQ(lines[0].back(), ')') << lines[0];
}

} // namespace
