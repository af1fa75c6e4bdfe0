#pragma once
// A test that loads the built plugin into the stand-in host beside the
// stand-in ReShade, as the game process would, and observes what the hosts
// observe: the console, ReShade's log, the files written, the page as drawn.
// Link kivren_sim_host (never kivren_core: the plugin's code lives in the
// library).

#include "reshade_module.h"
#include "scratch_folder.h"
#include "sim_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

class LoadedPlugin : public testing::Test {
protected:
    void SetUp() override {
        reshade.reset();
        host = std::make_unique<SimHost>(scratch.path());
    }
    void TearDown() override { host.reset(); }

    void load() {
        std::string error;
        ASSERT_TRUE(host->loadPlugin(SimHost::builtPlugin(), &error)) << error;
    }

    SimConsole& console() { return host->console(); }

    bool consoleSaid(const std::string& line) {
        const auto lines = console().logLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    ScratchFolder scratch;
    StandInReShade& reshade = StandInReShade::instance();
    std::unique_ptr<SimHost> host;
};
