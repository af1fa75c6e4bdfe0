// Whole recordings through the real event path, with the stand-in encoder
// writing down exactly what each pass received.
#include "recording_fixture.h"

#include <random>

namespace {

class RecordingSession : public RecordingFixture,
                         public testing::WithParamInterface<reshade::api::format> {};

TEST_P(RecordingSession, AllPassesAndFrameDataStayAligned) {
    makeRuntime(GetParam());
    set("kivren_normal", "1");
    set("kivren_custom_pass", "1");
    constexpr std::uint32_t presented = 9;
    record(presented);

    // Every frame was processed: Main on even frames, Custom on the odd ones
    // (event 76 of the frame after a Main capture), rows top first.
    const bool rgbaBackBuffer = GetParam() == reshade::api::format::r8g8b8a8_unorm;
    const std::string suffixes[] = {".mov", " - depth.mov", " - normal.mov", " - custom pass.mov"};
    for (std::uint32_t pass = 0; pass < 4; ++pass) {
        const std::string received = readFile(file(suffixes[pass]));
        std::string expected;
        for (std::uint32_t f = pass == 3 ? 1 : 0; f < presented; f += 2)
            expected += expectedFrame(f, pass, pass == 3 && rgbaBackBuffer);
        EXPECT_EQ(received.size(), expected.size()) << suffixes[pass];
        EXPECT_TRUE(received == expected) << suffixes[pass];
    }
    const std::string args = readFile(file(" - custom pass.mov") + ".args");
    EXPECT_NE(args.find(rgbaBackBuffer ? "\nrgba\n" : "\nbgra\n"), std::string::npos);

    // One entry per Main frame, each of the state sampled in that frame.
    const std::string data = readFile(file(".txt"));
    std::vector<std::string> entries;
    for (std::size_t start = 0, bar; (bar = data.find('|', start)) != std::string::npos;
         start = bar + 1)
        entries.push_back(data.substr(start, bar - start));
    ASSERT_EQ(entries.size(), (presented + 1) / 2);
    EXPECT_EQ(data.back(), '|');
    for (std::size_t k = 0; k < entries.size(); ++k) {
        EXPECT_EQ(entries[k].substr(0, entries[k].find(',')), std::to_string(2 * k));
        EXPECT_EQ(std::count(entries[k].begin(), entries[k].end(), ';'), 4);
    }

    const auto progress = logAt('3');
    EXPECT_EQ(count(progress, R"(\[Kivren\] Recording started\.)"), 1u);
    EXPECT_EQ(count(progress, R"(\[Kivren\] Encoder started -> .*\.mov)"), 4u);
    EXPECT_EQ(count(progress, R"(\[Kivren\] Stopping recording\.\.\.)"), 1u);
    const auto stats = logAt('4');
    ASSERT_EQ(stats.size(), 1u);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(stats[0], m, std::regex(statistics))) << stats[0];
    EXPECT_EQ(m[1], std::to_string(presented));
    EXPECT_TRUE(logAt('1').empty()) << testing::PrintToString(logAt('1'));
    EXPECT_TRUE(runtime->device().errors().empty())
        << testing::PrintToString(runtime->device().errors());
    // Direct3D 11 would have dropped these copies without a word.
    EXPECT_TRUE(runtime->device().refusedCopies().empty())
        << testing::PrintToString(runtime->device().refusedCopies());
    EXPECT_EQ(runtime->device().readbackTextureCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(BackBufferFormats, RecordingSession,
                         testing::Values(reshade::api::format::b8g8r8a8_unorm,
                                         reshade::api::format::r8g8b8a8_unorm));

TEST_F(RecordingFixture, CustomPassStaysAlignedWhateverTheFrameTiming) {
    set("kivren_normal", "1");
    set("kivren_custom_pass", "1");
    set("kivren_fps", "100");
    std::mt19937 random(4);
    run("kivren_start");
    // The game presents several frames per processed interval, irregularly.
    for (std::uint32_t i = 0; i < 160; ++i) {
        driver->present(i);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 5000));
    }
    run("kivren_stop");
    driver->present(160);

    const std::size_t main = readFile(file(".mov")).size() / frameBytes();
    EXPECT_GT(main, 5u);
    EXPECT_EQ(readFile(file(" - depth.mov")).size(), main * frameBytes());
    EXPECT_EQ(readFile(file(" - normal.mov")).size(), main * frameBytes());
    const std::string data = readFile(file(".txt"));
    EXPECT_EQ(static_cast<std::size_t>(std::count(data.begin(), data.end(), '|')), main);
    const std::size_t custom = readFile(file(" - custom pass.mov")).size() / frameBytes();
    EXPECT_TRUE(custom == main || custom + 1 == main) << custom << " Custom, " << main << " Main";
    EXPECT_TRUE(logAt('1').empty()) << testing::PrintToString(logAt('1'));
}

TEST_F(RecordingFixture, StopAndUnloadWaitForEveryQueuedFrame) {
    // A slow encoder on Main: frames queue up behind it.
    std::ofstream(file(".mov") + ".fake") << "delay_ms=15";
    set("kivren_fps", "999");
    run("kivren_start");
    presentPaced(0, 12);
    run("kivren_stop");
    driver->present(12);
    EXPECT_EQ(readFile(file(".mov")).size(), 12 * frameBytes());
    EXPECT_EQ(readFile(file(" - depth.mov")).size(), 12 * frameBytes());

    // Unloaded mid-recording: the recording is ended before the object goes.
    set("kivren_name", "second");
    run("kivren_start");
    presentPaced(0, 5);
    host->unloadPlugin();
    EXPECT_EQ(readFile((out() / "second.mov").string()).size(), 5 * frameBytes());
    const std::string data = readFile((out() / "second.txt").string());
    EXPECT_EQ(std::count(data.begin(), data.end(), '|'), 5);
    const auto stats = logAt('4');
    ASSERT_EQ(stats.size(), 2u);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(stats[1], m, std::regex(statistics)));
    EXPECT_EQ(m[1], "5");
    EXPECT_TRUE(logAt('1').empty()) << testing::PrintToString(logAt('1'));
}

TEST_F(RecordingFixture, StartStopStormFromTheHostThread) {
    set("kivren_fps", "999");
    std::atomic<bool> done{false};
    std::thread hostThread([&] {
        for (int i = 0; i < 60; ++i) {
            run(i % 2 ? "kivren_stop" : "kivren_start");
            // The host samples the replay on its own thread meanwhile.
            host->game().renderFrame();
            std::this_thread::sleep_for(std::chrono::milliseconds(1 + i % 3));
        }
        done = true;
    });
    std::uint32_t presents = 0;
    while (!done.load())
        driver->present(presents++);
    hostThread.join();
    // Whatever the storm left running ends; then a last session that
    // surely starts and stops.
    run("kivren_stop");
    driver->present(presents);
    run("kivren_start");
    driver->present(0);
    driver->present(1);
    run("kivren_stop");
    driver->present(2);

    const auto progress = logAt('3');
    const std::size_t started = count(progress, R"(\[Kivren\] Recording started\.)");
    EXPECT_GE(started, 1u);
    EXPECT_EQ(count(logAt('4'), statistics), started);
    EXPECT_TRUE(logAt('1').empty()) << testing::PrintToString(logAt('1'));
    EXPECT_TRUE(runtime->device().errors().empty());
    EXPECT_EQ(runtime->device().readbackTextureCount(), 0u);
    // Every session kept its own take, and each is whole: frames and entries agree.
    std::size_t takes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(out())) {
        if (entry.path().extension() != ".txt")
            continue;
        ++takes;
        const std::string data = readFile(entry.path().string());
        const std::string take = entry.path().stem().string();
        EXPECT_EQ(readFile(file(".mov", take)).size(),
                  static_cast<std::size_t>(std::count(data.begin(), data.end(), '|')) *
                      frameBytes())
            << take;
    }
    EXPECT_EQ(takes, started);
}

// The host writes a text setting in place, on its own thread, whenever it
// changes; each recording must still see one whole value of it.
TEST_F(RecordingFixture, TextSettingsChangedOnTheHostThreadReachRecordingsWhole) {
    set("kivren_fps", "999");
    set("kivren_depth", "0");
    std::vector<std::string> names{"video"};
    std::atomic<bool> done{false};
    std::thread hostThread([&] {
        for (int i = 0; i < 150; ++i) {
            // Long enough to live on the heap, so a torn read copies freed memory.
            names.push_back("take " + std::to_string(i) + std::string(30 + i % 17, '-'));
            set("kivren_name", names.back());
            set("kivren_path", out().string() + (i % 2 ? "/" : ""));
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
        done = true;
    });
    std::uint32_t frame = 0;
    while (!done.load()) {
        run("kivren_start");
        driver->present(frame++);
        run("kivren_stop");
        driver->present(frame++);
    }
    hostThread.join();

    std::size_t recordings = 0;
    for (const auto& entry : std::filesystem::directory_iterator(out())) {
        if (entry.path().extension() != ".txt")
            continue;
        ++recordings;
        // Several recordings may fall between two changes: numbered takes.
        const std::string stem =
            std::regex_replace(entry.path().stem().string(), std::regex(R"( \(\d+\)$)"), "");
        EXPECT_NE(std::find(names.begin(), names.end(), stem), names.end()) << stem;
    }
    EXPECT_GE(recordings, 1u);
    EXPECT_TRUE(logAt('1').empty()) << testing::PrintToString(logAt('1'));
}

// Takes recorded one after another under one name: each later take goes to
// the first free numbered name, all its files together.
TEST_F(RecordingFixture, TakesWithOneNameNeverReplaceEachOther) {
    set("kivren_normal", "1");
    set("kivren_custom_pass", "1");
    record(5);
    set("kivren_depth", "0");
    record(3);
    // A file of any pass, even one the new take does not record, claims the name.
    std::ofstream(file(" - depth.mov", "video (3)")) << "a file of the user's";
    record(7);

    const std::string suffixes[] = {".mov", " - depth.mov", " - normal.mov", " - custom pass.mov"};
    const struct {
        std::string take;
        std::uint32_t presented;
        bool depth;
    } takes[] = {{"video", 5, true}, {"video (2)", 3, false}, {"video (4)", 7, false}};
    for (const auto& t : takes) {
        const std::string data = readFile(file(".txt", t.take));
        const std::size_t main = (t.presented + 1) / 2;
        EXPECT_EQ(static_cast<std::size_t>(std::count(data.begin(), data.end(), '|')), main)
            << t.take;
        for (std::uint32_t pass = 0; pass < 4; ++pass) {
            const std::size_t frames = pass == 1 && !t.depth ? 0
                                       : pass == 3           ? t.presented / 2
                                                             : main;
            EXPECT_EQ(readFile(file(suffixes[pass], t.take)).size(), frames * frameBytes())
                << t.take << suffixes[pass];
        }
        // Each take's frames are its own: the first Main frame of each take is frame 0.
        EXPECT_EQ(readFile(file(".mov", t.take)).substr(0, frameBytes()),
                  expectedFrame(0, 0, false))
            << t.take;
    }
    EXPECT_EQ(readFile(file(" - depth.mov", "video (3)")), "a file of the user's");
    const auto renamedTo = [](const char* number) {
        return std::string(R"re(\[Kivren\] A take named "video" exists in .*; this one is )re") +
               R"re(recorded as "video \()re" + number + R"re(\)"\.)re";
    };
    EXPECT_EQ(count(logAt('3'), renamedTo("2")), 1u);
    EXPECT_EQ(count(logAt('3'), renamedTo("4")), 1u);
    EXPECT_EQ(count(logAt('3'), ".* exists in .*"), 2u);
    EXPECT_EQ(host->console().value("kivren_name"), "video") << "the variable keeps its value";
}

} // namespace
