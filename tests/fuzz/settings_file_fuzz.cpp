// settings.cfg as a user's editor or an older version may have left it: no
// line is ever taken for anything but a value of one of the three settings,
// and every value that is written loads back exactly.
#include "formats/settings_file.h"
#include "fuzz_check.h"

#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);

    // The whole input as a file, line by line as the load reads it.
    for (std::size_t start = 0; start <= content.size();) {
        std::size_t end = content.find('\n', start);
        if (end == std::string_view::npos)
            end = content.size();
        std::string_view line = content.substr(start, end - start);
        start = end + 1;
        const SettingsLine parsed = parseSettingsLine(line);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (parsed.kind == SettingsLine::Kind::Setting) {
            fuzzCheck(savableSettingValue(parsed.value), "a loaded value is savable");
            fuzzCheck(settingsLine(parsed.name, parsed.value) == line,
                      "a loaded line is exactly the line its value writes");
        }
        if (parsed.kind == SettingsLine::Kind::Blank)
            fuzzCheck(line.empty(), "only an empty line is blank");
        const std::string shown = printableSettingsLine(line);
        for (const char c : shown)
            fuzzCheck(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F,
                      "a refused line is shown without control characters");
        if (end == content.size())
            break;
    }

    // The whole input as a value of each setting.
    for (const char* name : persistedSettings) {
        if (!savableSettingValue(content))
            continue;
        const SettingsLine parsed = parseSettingsLine(settingsLine(name, content));
        fuzzCheck(parsed.kind == SettingsLine::Kind::Setting && parsed.name == name &&
                      parsed.value == content,
                  "a savable value loads back as itself");
    }
    return 0;
}
