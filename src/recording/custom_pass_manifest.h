#pragma once
// The ID pass's own description, written beside its video when a take
// records it: every listed mesh with its hash and the exact colour its pixels
// get, and the debug highlight. Compositing tools key the mattes from it
// instead of guessing colours off the video.

#include "formats/mesh_key.h"

#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* customPassManifestSuffix = " - custom pass.json";

struct CustomPassManifest {
    std::string take;
    // True when the back buffer is an sRGB format: the flat colour is then
    // stored through the sRGB curve, not scaled.
    bool srgbBackBuffer = false;
    bool proRes4444 = false;
    std::vector<IdPassEntry> meshes; // any order; written by hash
    IdColour highlight;
};

// The byte that an 8-bit render target stores for a pixel shader's output
// channel: UNORM rounds value * 255 to the nearest step, an sRGB target
// encodes the value with the sRGB curve first. Out-of-range values saturate.
std::uint8_t storedChannel(float value, bool srgb);

// The manifest as JSON text, meshes in the order of their hashes.
std::string customPassManifestText(const CustomPassManifest& manifest);

// Writes the text as the whole file at path (narrow, in the process's code
// page). Empty on success, else what went wrong in the system's words.
std::string writeManifestFile(const std::string& path, const std::string& text);
