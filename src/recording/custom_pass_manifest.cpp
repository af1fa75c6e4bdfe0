#include "recording/custom_pass_manifest.h"

#include "system/system_error_text.h"

#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fstream>

namespace {

// The shortest text that reads back as the same 32-bit float, as the flat
// shader's source spells the colour; JSON has no NaN or infinity.
std::string number(float value) {
    return std::isfinite(value) ? fmt::format("{}", value) : std::string("0");
}

std::string colourFields(const IdColour& colour, bool srgb) {
    return fmt::format(R"("colour": [{}, {}, {}], "colour_8bit": [{}, {}, {}])", number(colour.r),
                       number(colour.g), number(colour.b), storedChannel(colour.r, srgb),
                       storedChannel(colour.g, srgb), storedChannel(colour.b, srgb));
}

// Take names are file names: no control characters, but quotes and
// backslashes can be part of them.
std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (static_cast<unsigned char>(c) < 0x20)
            out += fmt::format("\\u{:04x}", static_cast<unsigned char>(c));
        else
            out += c;
    }
    return out + '"';
}

} // namespace

std::uint8_t storedChannel(float value, bool srgb) {
    double v = std::isnan(value) ? 0.0 : std::clamp(static_cast<double>(value), 0.0, 1.0);
    if (srgb)
        v = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
    return static_cast<std::uint8_t>(std::lround(v * 255.0));
}

std::string customPassManifestText(const CustomPassManifest& manifest) {
    std::vector<IdPassEntry> meshes = manifest.meshes;
    std::sort(meshes.begin(), meshes.end(),
              [](const IdPassEntry& a, const IdPassEntry& b) { return a.hash < b.hash; });
    std::string text = "{\n";
    text += fmt::format("  \"take\": {},\n", jsonString(manifest.take));
    text += fmt::format("  \"back_buffer\": \"{}\",\n", manifest.srgbBackBuffer ? "srgb" : "unorm");
    text += fmt::format("  \"prores\": \"{}\",\n", manifest.proRes4444 ? "4444" : "422 HQ");
    text += "  \"meshes\": [";
    for (std::size_t i = 0; i < meshes.size(); ++i) {
        const IdPassEntry& mesh = meshes[i];
        text += fmt::format("{}\n    {{\"hash\": \"{:x}\", {}}}", i ? "," : "", mesh.hash,
                            colourFields({mesh.r, mesh.g, mesh.b}, manifest.srgbBackBuffer));
    }
    text += meshes.empty() ? "],\n" : "\n  ],\n";
    text += fmt::format("  \"highlight\": {{{}}}\n",
                        colourFields(manifest.highlight, manifest.srgbBackBuffer));
    return text + "}\n";
}

std::string writeManifestFile(const std::string& path, const std::string& text) {
    errno = 0;
    std::ofstream file(path, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!file.is_open())
        return errnoText(errno);
    errno = 0;
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (file.fail())
        return errnoText(errno);
    return {};
}
