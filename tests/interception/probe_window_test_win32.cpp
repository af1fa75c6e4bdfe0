// The throw-away window of the capture: created once with its class and
// title, never shown, destroyed and its class unregistered by the time the
// capture returns, on success and on a refused second capture alike.
#include "interception/method_table.h"
#include "probe_watch_win32.h"

#include <gtest/gtest.h>

TEST(ProbeWindow, IsNeverShownAndGoneWithItsClassAfterTheCapture) {
    ProbeWatch watch;
    ASSERT_TRUE(watch.hooked());
    ASSERT_EQ(captureMethodTable(RenderType::Direct3D11), MethodTableStatus::Success);
    EXPECT_EQ(watch.created, 1);
    EXPECT_EQ(watch.destroyed, 1);
    EXPECT_EQ(watch.title, L"Kivren Probe Window");
    EXPECT_FALSE(watch.everVisible);
    EXPECT_FALSE(ProbeWatch::windowExists());
    EXPECT_FALSE(ProbeWatch::classRegistered());

    // Refused before any window is made.
    EXPECT_EQ(captureMethodTable(RenderType::Direct3D11), MethodTableStatus::AlreadyCaptured);
    EXPECT_EQ(watch.created, 1);
    releaseMethodTable();
}
