// A pipe that cannot be made: the process's descriptor limit lowered to the
// descriptors already open makes the system refuse the encoder's pipe for
// real, and the failure line carries the system's code and its words.
#include "recording/encoder_set.h"
#include "reshade_module.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

TEST(EncoderLaunch, APipeThatCannotBeMadeIsReportedWithTheSystemsCode) {
    StandInReShade::instance().reset();
    EncoderSet encoders;
    encoders.begin(4, 4, 0);

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
        encoders.launch("ffmpeg", "/nonexistent/video.mov", {"bgra", 30, false}, PassKind::Main);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);

    EXPECT_FALSE(launched);
    EXPECT_FALSE(encoders.hasEncoder(PassKind::Main));
    EXPECT_EQ(
        StandInReShade::instance().logLinesAt(1),
        std::vector<std::string>{"[Kivren] CreatePipe failed (error 24: Too many open files)"});
}

} // namespace
