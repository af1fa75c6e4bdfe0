// A pipe that cannot be made: the process's descriptor limit lowered to the
// descriptors already open makes the system refuse the encoder's pipe for
// real, and the failure line carries the system's code and its words.
#include "core/kivren.h"
#include "reshade_module.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

TEST(EncoderLaunch, APipeThatCannotBeMadeIsReportedWithTheSystemsCode) {
    StandInReShade::instance().reset();
    Kivren plugin;
    plugin.videoFps = std::make_shared<std::int32_t>(30);
    plugin.frameWidth = 4;
    plugin.frameHeight = 4;

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    // The lowest free descriptor: every one below it is taken.
    const int lowestFree = open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(lowestFree, 0);
    close(lowestFree);
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(lowestFree);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    const bool launched =
        plugin.launchEncoder("ffmpeg", "/nonexistent/video.mov", "bgra", PassKind::Main);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);

    EXPECT_FALSE(launched);
    EXPECT_EQ(plugin.encoders[0].pipe, invalidPipe);
    std::vector<std::string> failures;
    for (const std::string& line : StandInReShade::instance().logLines())
        if (line.rfind("1 ", 0) == 0)
            failures.push_back(line.substr(2));
    EXPECT_EQ(failures, std::vector<std::string>{
                            "[Kivren] CreatePipe failed (error 24: Too many open files)"});
}

} // namespace
