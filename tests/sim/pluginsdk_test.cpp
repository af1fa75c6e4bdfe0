// The stand-in host SDK: the host's class sizes and record layout, and
// wrappers that keep the host's objects they were made from.
#include "bakkesmod/plugin/bakkesmodplugin.h"
#include "bakkesmod/wrappers/GameWrapper.h"
#include "bakkesmod/wrappers/ReplayServerWrapper.h"
#include "bakkesmod/wrappers/arraywrapper.h"
#include "scratch_folder.h"
#include "sdk_backend.h"
#include "sdk_handles.h"
#include "sim_console.h"
#include "sim_game.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <stdexcept>

namespace {

// A plugin stores the wrappers that calls return in stack slots of these
// sizes, and the host reads the record and the plugin base at these offsets
// (the host's own figures under the Microsoft ABI; the same here on x86-64).
TEST(HostSdk, ClassesHaveTheHostsSizes) {
    EXPECT_EQ(sizeof(ObjectWrapper), 8u);
    EXPECT_EQ(sizeof(ActorWrapper), 16u);
    EXPECT_EQ(sizeof(BallWrapper), 32u);
    EXPECT_EQ(sizeof(CameraWrapper), 40u);
    EXPECT_EQ(sizeof(CarWrapper), 40u);
    EXPECT_EQ(sizeof(ServerWrapper), 40u);
    EXPECT_EQ(sizeof(ReplayServerWrapper), 48u);
    EXPECT_EQ(sizeof(ArrayWrapper<CarWrapper>), 8u);
    EXPECT_EQ(sizeof(CanvasWrapper), 8u);
    EXPECT_EQ(sizeof(CVarWrapper), 8u);
    EXPECT_EQ(sizeof(CVarManagerWrapper), 8u);
    EXPECT_EQ(sizeof(GameWrapper), 8u);
    EXPECT_EQ(sizeof(Vector), 12u);
    EXPECT_EQ(sizeof(Rotator), 12u);
    EXPECT_EQ(sizeof(BakkesMod::Plugin::BakkesModPlugin), 40u);
    EXPECT_EQ(offsetof(ObjectWrapper, memory_address), 0u);

    using BakkesMod::Plugin::PluginInfo;
    EXPECT_EQ(sizeof(PluginInfo), 64u);
    EXPECT_EQ(offsetof(PluginInfo, fileName), 8u);
    EXPECT_EQ(offsetof(PluginInfo, pluginVersion), 32u);
    EXPECT_EQ(offsetof(PluginInfo, pluginType), 40u);
    EXPECT_EQ(offsetof(PluginInfo, initializeFunc), 48u);
    EXPECT_EQ(offsetof(PluginInfo, delFunc), 56u);
}

class HostSdkObjects : public testing::Test {
protected:
    void SetUp() override {
        state.inReplay = true;
        state.camera = {{1.0f, 2.0f, 3.0f}, {100, 200, 300}, 75.0f};
        state.ball = {{4.0f, 5.0f, 6.0f}, {7, 8, 9}};
        state.cars = {{{10.0f, 0.0f, 0.0f}, {}}, {{20.0f, 0.0f, 0.0f}, {}}};
        game->setState(state);
    }

    ScratchFolder scratch;
    std::shared_ptr<SimGame> game = std::make_shared<SimGame>(scratch.path(), scratch.path());
    std::shared_ptr<GameWrapper> gameWrapper = makeGameWrapper(game);
    SimReplayState state;
};

TEST_F(HostSdkObjects, WrappersKeepTheFrameTheyWereMadeIn) {
    CameraWrapper camera = gameWrapper->GetCamera();
    ReplayServerWrapper replay = gameWrapper->GetGameEventAsReplay();
    // The game moves on; the handles still show their own frame.
    state.camera.fov = 10.0f;
    state.cars.clear();
    game->setState(state);

    ASSERT_FALSE(camera.IsNull());
    EXPECT_EQ(camera.GetLocation().Y, 2.0f);
    EXPECT_EQ(camera.GetRotation().Roll, 300);
    EXPECT_EQ(camera.GetFOV(), 75.0f);
    // A copy made through the base class's constructor chain sees the same object.
    CameraWrapper copy(camera);
    EXPECT_EQ(copy.GetFOV(), 75.0f);
    ActorWrapper asActor(camera);
    EXPECT_EQ(asActor.GetLocation().Z, 3.0f);

    BallWrapper ball = replay.GetBall();
    EXPECT_EQ(ball.GetLocation().X, 4.0f);
    EXPECT_EQ(ball.GetRotation().Pitch, 7);
    ArrayWrapper<CarWrapper> cars = replay.GetCars();
    ASSERT_EQ(cars.Count(), 2);
    EXPECT_EQ(cars.Get(1).GetLocation().X, 20.0f);

    // Assignment takes the other handle's object at every level.
    camera = gameWrapper->GetCamera();
    EXPECT_EQ(camera.GetFOV(), 10.0f);
    EXPECT_EQ(copy.GetFOV(), 75.0f);
    EXPECT_EQ(gameWrapper->GetGameEventAsReplay().GetCars().Count(), 0);
}

TEST_F(HostSdkObjects, MissingPartsAreNullHandles) {
    state.hasBall = false;
    state.hasCars = false;
    state.hasCamera = false;
    game->setState(state);
    EXPECT_TRUE(gameWrapper->GetCamera().IsNull());
    EXPECT_EQ(gameWrapper->GetCamera().GetFOV(), 0.0f);
    ReplayServerWrapper replay = gameWrapper->GetGameEventAsReplay();
    EXPECT_FALSE(replay.IsNull());
    EXPECT_TRUE(replay.GetBall().IsNull());
    EXPECT_TRUE(replay.GetCars().IsNull());
    EXPECT_EQ(replay.GetCars().Count(), 0);

    state.inReplay = false;
    game->setState(state);
    EXPECT_TRUE(gameWrapper->GetGameEventAsReplay().IsNull());
}

TEST(HostSdk, AddressesComeOnlyFromTheHandOff) {
    auto console = std::make_shared<SimConsole>(std::filesystem::temp_directory_path());
    const std::uintptr_t address = sdk_backend::handOff(console);
    EXPECT_EQ(sdk_backend::claim(address), console);
    EXPECT_EQ(sdk_backend::claim(0), nullptr);
    EXPECT_EQ(sdk_backend::handOff(nullptr), 0u);
    // The console is not a game, and a gone object is not there to claim.
    EXPECT_THROW(GameWrapper(address, 95, typeid(SimConsole)), std::invalid_argument);
    console.reset();
    EXPECT_THROW(sdk_backend::claim(address), std::logic_error);
}

TEST(HostSdk, ConsoleVariablesByName) {
    ScratchFolder scratch;
    auto console = std::make_shared<SimConsole>(scratch.path());
    auto manager = makeCVarManagerWrapper(console);
    CVarWrapper registered = manager->registerCvar("test_fps", "30", "", true, true, 1, true, 999);
    EXPECT_EQ(registered.getCVarName(), "test_fps");
    manager->getCvar("test_fps").setValue(60);
    EXPECT_EQ(registered.getIntValue(), 60);

    CVarWrapper unknown = manager->getCvar("no_such_variable");
    EXPECT_TRUE(unknown.IsNull());
    EXPECT_FALSE(static_cast<bool>(unknown));
    unknown.setValue(1);
    EXPECT_EQ(unknown.getStringValue(), "");
    // A null handle takes a live one's variable by assignment.
    unknown = registered;
    EXPECT_EQ(unknown.getIntValue(), 60);
}

} // namespace
