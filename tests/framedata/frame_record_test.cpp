// The frame data record: the worked examples byte for byte, whatever the
// process's locale, and the sampler's handling of a missing replay part.
#include "formats/frame_data_writer.h"
#include "framedata/frame_record.h"
#include "framedata/frame_sampler.h"
#include "scratch_folder.h"
#include "sdk_handles.h"
#include "sim_game.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <locale>
#include <sstream>

namespace {

// A locale that writes 1234.5 as "1.234,5", as many game installations do.
struct CommaDecimals : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

class FrameRecordTest : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        previous_ =
            std::locale::global(GetParam() ? std::locale(std::locale::classic(), new CommaDecimals)
                                           : std::locale::classic());
    }
    void TearDown() override { std::locale::global(previous_); }

    static std::string quat(int pitch, int yaw, int roll) {
        std::ostringstream out;
        writeRotationQuat(out, FrameRotation{pitch, yaw, roll});
        return out.str();
    }
    static std::string number(float value) {
        std::ostringstream out;
        writeFrameNumber(out, value);
        return out.str();
    }

    std::locale previous_;
};

TEST_P(FrameRecordTest, NumbersAndQuaternionsFollowTheFixedRecipe) {
    EXPECT_EQ(number(1234.5678f), "1234.57");
    EXPECT_EQ(number(90.0f), "90");
    EXPECT_EQ(number(1000000.0f), "1e+06");
    EXPECT_EQ(number(0.000012345f), "1.2345e-05");
    EXPECT_EQ(number(-0.0f), "-0");
    EXPECT_EQ(number(93.15f), "93.15");

    EXPECT_EQ(quat(0, 0, 0), "0,-0,0,1");
    EXPECT_EQ(quat(0, 16384, 0), "0,-0,0.707107,0.707107");
    EXPECT_EQ(quat(16384, 0, 0), "0,-0.707107,0,0.707107");
    EXPECT_EQ(quat(0, 0, 16384), "-0.707107,-0,0,0.707107");
    // The W term shows the recipe's own constant, not pi/65536.
    EXPECT_EQ(quat(0, 32768, 0), "0,0,1,-4.01339e-07");
}

TEST_P(FrameRecordTest, RecordOfAReplayFrame) {
    ScratchFolder scratch;
    auto game = std::make_shared<SimGame>(scratch.path(), scratch.path());
    auto gameWrapper = makeGameWrapper(game);
    SimReplayState state;
    state.inReplay = true;
    state.camera = {{0.0f, -4608.0f, 1024.0f}, {0, 16384, 0}, 90.0f};
    state.ball = {{0.0f, 0.0f, 93.15f}, {0, 0, 0}};
    state.cars = {{{0.0f, -4608.0f, 17.01f}, {0, 16384, 0}}};
    game->setState(state);

    CameraWrapper camera = gameWrapper->GetCamera();
    ReplayServerWrapper replay = gameWrapper->GetGameEventAsReplay();
    EXPECT_EQ(buildFrameRecord(camera, replay.GetBall(), replay.GetCars()),
              "0,-4608,1024,0,-0,0.707107,0.707107,90;0,0,93.15,0,-0,0,1;"
              "0,-4608,17.01,0,-0,0.707107,0.707107;");

    state.cars.clear();
    game->setState(state);
    ReplayServerWrapper noCars = gameWrapper->GetGameEventAsReplay();
    EXPECT_EQ(buildFrameRecord(camera, noCars.GetBall(), noCars.GetCars()),
              "0,-4608,1024,0,-0,0.707107,0.707107,90;0,0,93.15,0,-0,0,1;");
}

INSTANTIATE_TEST_SUITE_P(Locales, FrameRecordTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& p) {
                             return p.param ? "CommaLocale" : "Classic";
                         });

TEST(SampleFrame, GivesTheRecordAndEmptiesItWhenAPartIsMissing) {
    ScratchFolder scratch;
    auto game = std::make_shared<SimGame>(scratch.path(), scratch.path());
    const std::shared_ptr<GameWrapper> wrapper = makeGameWrapper(game);

    SimReplayState state;
    state.inReplay = true;
    state.cars = {{}, {}};
    game->setState(state);
    FrameSample sample = sampleGameFrame(*wrapper);
    EXPECT_TRUE(sample.inReplay);
    // Camera, ball and two cars.
    EXPECT_EQ(std::count(sample.record.begin(), sample.record.end(), ';'), 4);

    for (bool SimReplayState::*part : {&SimReplayState::hasCamera, &SimReplayState::hasReplay,
                                       &SimReplayState::hasBall, &SimReplayState::hasCars}) {
        SimReplayState missing = state;
        missing.*part = false;
        game->setState(missing);
        sample = sampleGameFrame(*wrapper);
        EXPECT_EQ(sample.record, "");
        EXPECT_TRUE(sample.inReplay);
    }

    game->setState(state);
    game->setInReplay(false);
    sample = sampleGameFrame(*wrapper);
    EXPECT_EQ(sample.record, "");
    EXPECT_FALSE(sample.inReplay);
}

} // namespace
