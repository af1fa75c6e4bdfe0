#include "plugin_counters.h"

#include "core/kivren.h"

#include <cmath>

namespace {

Kivren* pluginObject(SimHost& host) {
    // The plugin's class derives from BakkesModPlugin first, as the host's
    // cast in the real game assumes too.
    return reinterpret_cast<Kivren*>(host.plugin().get());
}

std::uint8_t eightBit(float value) {
    return static_cast<std::uint8_t>(std::lround(std::fmin(std::fmax(value, 0.0f), 1.0f) * 255.0f));
}

} // namespace

PluginCounters readPluginCounters(SimHost& host) {
    PluginCounters counters;
    Kivren* plugin = pluginObject(host);
    if (!plugin)
        return counters;
    counters.recordRequested = plugin->session().requested();
    // The session's counters change only inside ReShade's events, which run
    // on this same thread between frames.
    counters.processed = plugin->session().processedFrames();
    const EncoderSet& encoders = plugin->session().encoders();
    counters.queueDepth = encoders.queuedFrames();
    for (std::size_t pass = 0; pass < counters.due.size(); ++pass) {
        counters.due[pass] = encoders.framesDue(static_cast<PassKind>(pass));
        counters.written[pass] = encoders.framesWritten(static_cast<PassKind>(pass));
    }
    return counters;
}

std::map<std::uint64_t, std::array<std::uint8_t, 3>> readIdPassColours(SimHost& host) {
    std::map<std::uint64_t, std::array<std::uint8_t, 3>> colours;
    Kivren* plugin = pluginObject(host);
    if (!plugin)
        return colours;
    for (const auto& [hash, colour] : plugin->idPass().colours())
        colours[hash] = {eightBit(colour.r), eightBit(colour.g), eightBit(colour.b)};
    return colours;
}
