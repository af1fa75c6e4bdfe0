#pragma once
// What kivren-sim shows of the plugin's own state while it records: the
// stand-in host owns the plugin object, whose members are public, so a
// stand-in program may read them as the tests do. Nothing else in kivren-sim
// looks inside the plugin.

#include "sim_host.h"

#include <array>
#include <cstdint>
#include <map>

struct PluginCounters {
    bool recordRequested = false;
    // Frames the plugin processed in the current recording (0 when none runs).
    std::int32_t processed = 0;
    // Per pass (Main, Depth, Normal, Custom): frames captured and written.
    std::array<std::uint32_t, 4> due{};
    std::array<std::uint32_t, 4> written{};
    std::size_t queueDepth = 0;
};

// The counters of the loaded plugin; all zero when none is loaded.
PluginCounters readPluginCounters(SimHost& host);

// The ID pass as the plugin holds it: each listed hash with its colour in 8 bits.
std::map<std::uint64_t, std::array<std::uint8_t, 3>> readIdPassColours(SimHost& host);
