#include "formats/settings_file.h"

#include <algorithm>

namespace {

bool controlCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

} // namespace

bool savableSettingValue(std::string_view value) {
    return std::none_of(value.begin(), value.end(),
                        [](char c) { return c == '"' || controlCharacter(c); });
}

std::string settingsLine(std::string_view name, std::string_view value) {
    std::string line;
    line.reserve(name.size() + value.size() + 3);
    line.append(name).append(" \"").append(value).append("\"");
    return line;
}

SettingsLine parseSettingsLine(std::string_view line) {
    SettingsLine result;
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (line.empty())
        return result;
    result.kind = SettingsLine::Kind::Refused;
    for (const char* name : persistedSettings) {
        const std::string_view prefix = name;
        if (line.size() < prefix.size() + 3 || line.substr(0, prefix.size()) != prefix ||
            line.substr(prefix.size(), 2) != " \"" || line.back() != '"')
            continue;
        const std::string_view value =
            line.substr(prefix.size() + 2, line.size() - prefix.size() - 3);
        if (!savableSettingValue(value))
            return result;
        result.kind = SettingsLine::Kind::Setting;
        result.name = name;
        result.value = value;
        return result;
    }
    return result;
}

std::string printableSettingsLine(std::string_view line) {
    constexpr std::size_t shown = 80;
    std::string text;
    for (const char c : line.substr(0, shown))
        text += controlCharacter(c) ? '?' : c;
    if (line.size() > shown)
        text += "...";
    return text;
}
