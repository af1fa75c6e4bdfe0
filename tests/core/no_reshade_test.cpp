// A process without ReShade: the library refuses to stay loaded, and the host
// ends up with no variable and no command of the plugin.
#include "scratch_folder.h"
#include "sim_host.h"

#include <gtest/gtest.h>

TEST(WithoutReShade, LibraryRefusesToLoad) {
    ScratchFolder scratch;
    SimHost host(scratch.path());
    std::string error;
    EXPECT_FALSE(host.loadPlugin(SimHost::builtPlugin(), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(host.pluginMapped());
    EXPECT_TRUE(host.console().variables().empty());
    EXPECT_TRUE(host.console().notifiers().empty());
    EXPECT_TRUE(host.console().journal().empty());
}
