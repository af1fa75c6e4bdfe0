// Without d3d11.dll the throw-away window is still created and then destroyed,
// and its class unregistered, before ModuleNotFound is answered.
#include "interception/method_table.h"
#include "probe_watch_win32.h"

#include <gtest/gtest.h>

TEST(WithoutD3d11, TheProbeWindowAndItsClassAreGoneAfterModuleNotFound) {
    releaseMethodTable();
    ProbeWatch watch;
    ASSERT_TRUE(watch.hooked());
    EXPECT_EQ(captureMethodTable(RenderType::Direct3D11), MethodTableStatus::ModuleNotFound);
    EXPECT_EQ(watch.created, 1);
    EXPECT_EQ(watch.destroyed, 1);
    EXPECT_FALSE(watch.everVisible);
    EXPECT_FALSE(ProbeWatch::windowExists());
    EXPECT_FALSE(ProbeWatch::classRegistered());
}
